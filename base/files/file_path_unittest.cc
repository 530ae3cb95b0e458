#include "base/files/file_path.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

struct UnaryCase {
  const wchar_t* input;
  const wchar_t* expected;
};

struct BinaryCase {
  const wchar_t* path;
  const wchar_t* argument;
  const wchar_t* expected;
};

using UnaryOp = std::wstring (*)(const FilePath&);
using BinaryOp = std::wstring (*)(const FilePath&, const wchar_t*);

void CheckUnary(UnaryOp op, std::initializer_list<UnaryCase> cases) {
  for (const UnaryCase& c : cases)
    EXPECT_EQ(c.expected, op(FilePath(c.input))) << "input: " << c.input;
}

void CheckBinary(BinaryOp op, std::initializer_list<BinaryCase> cases) {
  for (const BinaryCase& c : cases) {
    EXPECT_EQ(c.expected, op(FilePath(c.path), c.argument))
        << c.path << " with " << c.argument;
  }
}

TEST(FilePathTest, DirNameAndBaseName) {
  CheckUnary([](const FilePath& p) { return p.DirName().value(); },
             {{L"C:/a/b", L"C:/a"}, {L"C:/a", L"C:/"},     {L"C:a", L"C:"},
              {L"C:", L"C:"},       {L"c:/", L"c:/"},      {L"C://", L"C://"},
              {L"//srv/share", L"//srv"}, {L"//srv", L"//"}, {L"//", L"//"},
              {L"///", L"/"},       {L"/a", L"/"},         {L"/", L"/"},
              {L"a", L"."},         {L"", L"."},           {L"a/b", L"a"},
              {L"a/b//", L"a"},     {L"C:\\a\\b\\", L"C:\\a"}, {L"a//b", L"a"},
              {L"1:/a", L"1:"}});  // Not a drive letter: "1:" is a name.
  CheckUnary([](const FilePath& p) { return p.BaseName().value(); },
             {{L"C:/a/b/", L"b"}, {L"C:/a/b", L"b"}, {L"C:/", L"/"},
              {L"C:", L""},       {L"C:a", L"a"},    {L"a", L"a"},
              {L"", L""},         {L"//srv", L"srv"}, {L"//", L"//"},
              {L"/a//", L"a"},    {L"\\", L"\\"}});
}

TEST(FilePathTest, ExtensionAndRemoveExtension) {
  // RemoveExtension takes away exactly what Extension names.
  CheckUnary(
      [](const FilePath& p) {
        EXPECT_EQ(p.value(), p.RemoveExtension().value() + p.Extension());
        return p.Extension();
      },
      {{L"a.txt", L".txt"},        {L"a.tar.gz", L".tar.gz"},
       {L"a.verylong.gz", L".gz"},  // Middle part longer than four.
       {L"a.abcde.gz", L".gz"},    {L"a.tar.bz", L".tar.bz"},
       {L"a.abcd.bz2", L".abcd.bz2"}, {L"a.b.Z", L".b.Z"},
       {L"a..gz", L".gz"},         {L"a.tar.zip", L".zip"},
       {L"prefs.user.js", L".user.js"}, {L"PREFS.USER.JS", L".USER.JS"},
       {L"a.TAR.GZ", L".TAR.GZ"},  {L"C:/x.y/a.tar.gz", L".tar.gz"},
       {L"dir.x/file", L""},       {L"x.tar/file.gz", L".gz"},
       {L".bashrc", L".bashrc"},   {L"a.", L"."},  {L".", L""},
       {L"..", L""},  {L"a/..", L""},  {L"", L""},  {L"C:/", L""}});
}

TEST(FilePathTest, AddReplaceAndInsertBeforeExtension) {
  // A base name that is empty, ".", ".." or a root takes no extension.
  CheckBinary(
      [](const FilePath& p, const wchar_t* a) {
        return p.AddExtension(a).value();
      },
      {{L"a", L"txt", L"a.txt"},     {L"a.", L"txt", L"a.txt"},
       {L"a", L".txt", L"a.txt"},    {L"a.tar", L"gz", L"a.tar.gz"},
       {L"dir/a", L"txt", L"dir/a.txt"}, {L"a", L"", L"a"}, {L"a", L".", L"a"},
       {L"C:/", L"txt", L""},  {L"/", L"txt", L""},  {L"//", L"txt", L""},
       {L"..", L"txt", L""},   {L"a/.", L"txt", L""}, {L"", L"txt", L""},
       {L"C:", L"txt", L""}});
  CheckBinary(
      [](const FilePath& p, const wchar_t* a) {
        return p.ReplaceExtension(a).value();
      },
      {{L"a.tar.gz", L"zip", L"a.zip"}, {L"a.txt", L".zip", L"a.zip"},
       {L"a.txt", L"", L"a"}, {L"a.txt", L".", L"a"}, {L"..", L"zip", L""}});
  CheckBinary(
      [](const FilePath& p, const wchar_t* a) {
        return p.InsertBeforeExtension(a).value();
      },
      {{L"a.tar.gz", L"_1", L"a_1.tar.gz"}, {L"dir/a", L"_1", L"dir/a_1"},
       {L"a.txt", L"", L"a.txt"}, {L"..", L"_1", L""}});
  EXPECT_EQ(L"a (2).txt",
            FilePath(L"a.txt").InsertBeforeExtensionASCII(" (2)").value());
}

TEST(FilePathTest, Append) {
  const BinaryCase cases[] = {
      {L".", L"x", L"x"},      {L"C:/", L"x", L"C:/x"}, {L"a//", L"x", L"a\\x"},
      {L"a", L"", L"a"},       {L"a/", L"", L"a"},      {L"", L"x", L"x"},
      {L"", L"", L""},         {L"C:", L"x", L"C:x"},  // Stays drive-relative.
      {L"C:\\a", L"b\\c", L"C:\\a\\b\\c"},              {L"/", L"x", L"/x"},
      {L"//", L"x", L"//x"},   {L"//srv", L"x", L"//srv\\x"},
  };
  for (const BinaryCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.path).Append(c.argument).value())
        << c.path << " + " << c.argument;
    EXPECT_EQ(c.expected,
              FilePath(c.path).AppendPath(FilePath(c.argument)).value());
  }
  EXPECT_EQ(L"C:\\a\\b.txt", FilePath(L"C:\\a").AppendASCII("b.txt").value());
}

TEST(FilePathTest, OperationsStopAtEmbeddedNul) {
  const std::wstring with_nul(L"a\0b", 3);
  EXPECT_EQ(L"a", FilePath(with_nul).value());
  EXPECT_EQ(L"x\\a", FilePath(L"x").Append(with_nul).value());
  EXPECT_EQ(L"x.a", FilePath(L"x").AddExtension(with_nul).value());
  EXPECT_EQ(L"x.a", FilePath(L"x.y").ReplaceExtension(with_nul).value());
  EXPECT_EQ(L"xa.y", FilePath(L"x.y").InsertBeforeExtension(with_nul).value());
  EXPECT_EQ(L"a", FilePath::FromUTF16Unsafe(with_nul).value());
  EXPECT_EQ(L"a", FilePath::FromUTF8Unsafe(std::string("a\0b", 3)).value());
}

TEST(FilePathTest, StripTrailingAndNormalizeSeparators) {
  CheckUnary(
      [](const FilePath& p) { return p.StripTrailingSeparators().value(); },
      {{L"a/", L"a"},    {L"a\\\\", L"a"},   {L"a//b//", L"a//b"},
       {L"C:/", L"C:/"}, {L"C://", L"C://"}, {L"C:////", L"C:/"},
       {L"/", L"/"},     {L"//", L"//"},     {L"///", L"/"},
       {L"////", L"/"},  {L"", L""},         {L"C:", L"C:"}});
  EXPECT_EQ(L"C:\\a\\b\\",
            FilePath(L"C:/a\\b/").NormalizePathSeparators().value());
}

TEST(FilePathTest, GetComponents) {
  const struct {
    const wchar_t* input;
    std::vector<std::wstring> expected;
  } cases[] = {
      {L"C:/a/b", {L"C:", L"/", L"a", L"b"}}, {L"c:\\a\\", {L"c:", L"\\", L"a"}},
      {L"a/b", {L"a", L"b"}},  {L"//srv/share", {L"//", L"srv", L"share"}},
      {L"/a//b/", {L"/", L"a", L"b"}}, {L"C:", {L"C:"}},
      {L"C:a", {L"C:", L"a"}}, {L".", {}}, {L"", {}},
  };
  for (const auto& c : cases) {
    std::vector<std::wstring> components = {L"stale"};
    FilePath(c.input).GetComponents(&components);
    EXPECT_EQ(c.expected, components) << "input: " << c.input;
  }
}

TEST(FilePathTest, IsParentAndAppendRelativePath) {
  const struct {
    const wchar_t* parent;
    const wchar_t* child;
    bool expected;
  } cases[] = {
      {L"C:/a", L"c:/a/b", true},   // The drive letter ignores case...
      {L"C:/a", L"C:/A/b", false},  // ...nothing else does.
      {L"C:/a", L"C:/a", false},    {L"C:/a/", L"C:/a/b", true},
      {L"C:/a", L"C:/ab", false},   {L"C:/a", L"D:/a/b", false},
      {L"C:/", L"C:/a", true},      {L"a", L"a/b", true},
      {L"//srv", L"//srv/share", true}, {L"/a", L"//a/b", false},
      {L"", L"a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.parent).IsParent(FilePath(c.child)))
        << c.parent << " over " << c.child;
  }

  FilePath base(L"D:\\x");
  EXPECT_TRUE(
      FilePath(L"C:/a").AppendRelativePath(FilePath(L"c:/a/b/c"), &base));
  EXPECT_EQ(L"D:\\x\\b\\c", base.value());
  EXPECT_FALSE(
      FilePath(L"C:/a").AppendRelativePath(FilePath(L"C:/b/c"), &base));
  EXPECT_EQ(L"D:\\x\\b\\c", base.value());  // Untouched on failure.
}

TEST(FilePathTest, ReferencesParentAndIsAbsolute) {
  const struct {
    const wchar_t* input;
    bool references_parent;
    bool absolute;
  } cases[] = {
      {L"a/../b", true, false},  {L"..", true, false},    {L"a/ ..", true, false},
      {L"a/..\t/b", true, false}, {L"a/.../b", true, false},
      {L"a/b..c", false, false}, {L"a..", false, false},  {L"..a/b", false, false},
      {L"a/b", false, false},    {L"", false, false},     {L"C:/a", false, true},
      {L"C:\\", false, true},    {L"C:", false, false},   {L"C:a", false, false},
      {L"//srv", false, true},   {L"\\\\", false, true},  {L"/a", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.references_parent, FilePath(c.input).ReferencesParent())
        << "input: " << c.input;
    EXPECT_EQ(c.absolute, FilePath(c.input).IsAbsolute()) << c.input;
  }
}

TEST(FilePathTest, EqualityAndCompareIgnoreCase) {
  EXPECT_EQ(FilePath(L"C:/a"), FilePath(L"c:/a"));  // Only the drive letter.
  EXPECT_NE(FilePath(L"C:/a"), FilePath(L"C:/A"));
  EXPECT_NE(FilePath(L"a"), FilePath(L"A"));
  EXPECT_NE(FilePath(L"C:/a"), FilePath(L"C:\\a"));
  const struct {
    const wchar_t* a;
    const wchar_t* b;
    int expected;
  } cases[] = {
      {L"abc", L"ABC", 0}, {L"", L"", 0},     {L"a", L"b", -1},
      {L"b", L"A", 1},     {L"ab", L"abc", -1}, {L"abc", L"AB", 1},
      {L"a", L"[", -1},  // Upper-cased: 'A' (0x41) is below '[' (0x5B).
      {L"C:\\Program Files\\\x00e4", L"c:\\PROGRAM FILES\\\x00c4", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, FilePath::CompareIgnoreCase(c.a, c.b))
        << c.a << " vs " << c.b;
  }
}

TEST(FilePathTest, NarrowConversions) {
  const FilePath path = FilePath::FromUTF8Unsafe("C:\\caf\xc3\xa9");
  EXPECT_EQ(L"C:\\caf\x00e9", path.value());
  EXPECT_EQ("C:\\caf\xc3\xa9", path.AsUTF8Unsafe());
  EXPECT_EQ("", path.MaybeAsASCII());
  EXPECT_EQ("C:\\cafe", FilePath(L"C:\\cafe").MaybeAsASCII());
}

}  // namespace
}  // namespace base
