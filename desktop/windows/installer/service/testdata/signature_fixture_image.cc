// The small program the signature tests sign in every way they need; it is
// never run.
int main() {
  return 0;
}
