// Whether a program the installer downloaded or unpacked may run: it must
// carry a valid Authenticode signature made by the company named in the
// product setting "expected_signer".
//
//   bool has_signature = false;
//   bool unsigned_build = IsSignedPeFile(self_path, &has_signature) &&
//                         !has_signature;
//   if (!unsigned_build && !VerifyFileSignature(package_path))
//     return false;  // Do not run the package.
//
// Every byte of a checked file is treated as hostile. Nothing is logged
// here: the callers know what the file was for. Any thread.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_CHECK_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_CHECK_H_

#include <stddef.h>
#include <stdint.h>

#include "base/files/file_path.h"
#include "base/win/windows_types.h"

#include <wincrypt.h>

namespace installer {

// True when |path| is a PE image (PE32 or PE32+); |has_signature| then tells
// whether its certificate table is not empty. A missing |has_signature| is a
// broken invariant and stops the process.
bool IsSignedPeFile(const base::FilePath& path, bool* has_signature);

// True when WinTrust accepts the file's signature (revocation is not
// consulted) and one of its signers, or a signer of a nested signature, is
// the expected signer and counts as such (see CheckSignerNames). A file that
// is not a PE image with a sound certificate table (CertificateTableIsSound)
// fails before WinTrust reads it. The file is held open against writers for
// the whole check.
bool VerifyFileSignature(const base::FilePath& path);

// True when a signer of |message|, or of a signature nested in it, is named
// exactly the expected signer and is genuine: its signature verifies with
// its certificate, the digest it signs is that of its content, its content
// is the Authenticode digest of |image|, and its certificate chains to a
// trusted root for code signing (ChainsToTrustedRoot). WinTrust's word on
// the primary signer is not taken for any of this: some implementations of
// it skip parts. Nested signatures deeper than kMaxSignatureNesting are not
// read, and a message with more than kMaxSignatures signers, counting those
// of nested signatures down to that depth, fails whatever they are. Closes
// |store| and |message|, whatever the answer.
constexpr int kMaxSignatureNesting = 3;
constexpr int kMaxSignatures = 16;
bool CheckSignerNames(HCERTSTORE store, HCRYPTMSG message, DWORD encoding,
                      const uint8_t* image, size_t image_length);

// Whether |certificate| chains, through |extra_store| if need be, to a root
// this machine trusts, and may sign code. The chain is built by the
// machine's engine and accepted only without any error; revocation is not
// consulted.
bool ChainsToTrustedRoot(PCCERT_CONTEXT certificate, HCERTSTORE extra_store);

namespace internal {

// For tests only: while the scope lives, ChainsToTrustedRoot trusts the
// roots in |roots|, and no others, in place of the machine's, for systems
// that cannot be told to trust a test root. Scopes nest, each restoring the
// roots before it; they are made and ended while no check runs.
class ScopedTrustedRootsForTesting {
 public:
  explicit ScopedTrustedRootsForTesting(HCERTSTORE roots);
  ~ScopedTrustedRootsForTesting();
  ScopedTrustedRootsForTesting(const ScopedTrustedRootsForTesting&) = delete;
  ScopedTrustedRootsForTesting&
  operator=(const ScopedTrustedRootsForTesting&) = delete;

  // False when the chain engine could not be made: the machine's roots then
  // stay in force.
  bool IsValid() const { return engine_ != nullptr; }

 private:
  HCERTCHAINENGINE engine_ = nullptr;
  HCERTCHAINENGINE previous_ = nullptr;
};

// For tests only: while the scope lives, VerifyFileSignature calls
// |function| in place of WinTrust's WinVerifyTrust, so that a test can see
// which files reach WinTrust and how its answer is used. Scopes nest, each
// restoring the function before it; they are made and ended while no check
// runs.
class ScopedWinVerifyTrustForTesting {
 public:
  using Function = LONG(WINAPI*)(HWND window, GUID* action, void* data);

  explicit ScopedWinVerifyTrustForTesting(Function function);
  ~ScopedWinVerifyTrustForTesting();
  ScopedWinVerifyTrustForTesting(const ScopedWinVerifyTrustForTesting&) =
      delete;
  ScopedWinVerifyTrustForTesting&
  operator=(const ScopedWinVerifyTrustForTesting&) = delete;

 private:
  Function function_;
  Function previous_;
};

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SIGNATURE_CHECK_H_
