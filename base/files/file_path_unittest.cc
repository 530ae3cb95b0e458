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

struct PredicateCase {
  const wchar_t* input;
  bool expected;
};

TEST(FilePathTest, DirName) {
  const UnaryCase cases[] = {
      {L"C:/a/b", L"C:/a"},
      {L"C:/a", L"C:/"},
      {L"C:a", L"C:"},
      {L"C:", L"C:"},
      {L"c:/", L"c:/"},
      {L"C://", L"C://"},
      {L"//srv/share", L"//srv"},
      {L"//srv", L"//"},
      {L"//", L"//"},
      {L"///", L"/"},
      {L"/a", L"/"},
      {L"/", L"/"},
      {L"a", L"."},
      {L"", L"."},
      {L"a/b", L"a"},
      {L"a/b//", L"a"},
      {L"C:\\a\\b\\", L"C:\\a"},
      {L"a//b", L"a"},
      {L"1:/a", L"1:"},  // Not a drive letter: "1:" is a name.
  };
  for (const UnaryCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.input).DirName().value())
        << "input: " << c.input;
  }
}

TEST(FilePathTest, BaseName) {
  const UnaryCase cases[] = {
      {L"C:/a/b/", L"b"}, {L"C:/a/b", L"b"}, {L"C:/", L"/"}, {L"C:", L""},
      {L"C:a", L"a"},     {L"a", L"a"},      {L"", L""},     {L"//srv", L"srv"},
      {L"//", L"//"},     {L"/a//", L"a"},   {L"\\", L"\\"},
  };
  for (const UnaryCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.input).BaseName().value())
        << "input: " << c.input;
  }
}

TEST(FilePathTest, Extension) {
  const UnaryCase cases[] = {
      {L"a.txt", L".txt"},
      {L"a.tar.gz", L".tar.gz"},
      {L"a.verylong.gz", L".gz"},  // Middle part longer than four.
      {L"a.abcd.bz2", L".abcd.bz2"},
      {L"a.b.Z", L".b.Z"},
      {L"a..gz", L".gz"},  // Empty middle part.
      {L"a.tar.zip", L".zip"},
      {L"prefs.user.js", L".user.js"},
      {L"PREFS.USER.JS", L".USER.JS"},
      {L"a.TAR.GZ", L".TAR.GZ"},
      {L"C:/x.y/a.tar.gz", L".tar.gz"},
      {L"dir.x/file", L""},
      {L"x.tar/file.gz", L".gz"},
      {L".bashrc", L".bashrc"},
      {L"a.", L"."},
      {L".", L""},
      {L"..", L""},
      {L"a/..", L""},
      {L"", L""},
      {L"C:/", L""},
  };
  for (const UnaryCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.input).Extension())
        << "input: " << c.input;
  }
}

TEST(FilePathTest, RemoveExtension) {
  const UnaryCase cases[] = {
      {L"a.txt", L"a"},       {L"a.tar.gz", L"a"},
      {L"dir/a.b", L"dir/a"}, {L"dir.x/file", L"dir.x/file"},
      {L"a", L"a"},           {L"..", L".."},
      {L"a.", L"a"},          {L"prefs.user.js", L"prefs"},
  };
  for (const UnaryCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.input).RemoveExtension().value())
        << "input: " << c.input;
  }
}

TEST(FilePathTest, AddExtension) {
  const BinaryCase cases[] = {
      {L"a", L"txt", L"a.txt"},
      {L"a.", L"txt", L"a.txt"},  // The existing dot is reused.
      {L"a", L".txt", L"a.txt"},
      {L"a.tar", L"gz", L"a.tar.gz"},
      {L"dir/a", L"txt", L"dir/a.txt"},
      {L"a", L"", L"a"},
      {L"a", L".", L"a"},
      // A base name that is empty, ".", ".." or a root takes no extension.
      {L"C:/", L"txt", L""},
      {L"/", L"txt", L""},
      {L"//", L"txt", L""},
      {L"..", L"txt", L""},
      {L"a/.", L"txt", L""},
      {L"", L"txt", L""},
      {L"C:", L"txt", L""},
  };
  for (const BinaryCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.path).AddExtension(c.argument).value())
        << c.path << " + " << c.argument;
  }
}

TEST(FilePathTest, ReplaceExtension) {
  const BinaryCase cases[] = {
      {L"a.tar.gz", L"zip", L"a.zip"},
      {L"a.txt", L".zip", L"a.zip"},
      {L"a", L"zip", L"a.zip"},
      {L"a.", L"txt", L"a.txt"},
      {L"a.txt", L"", L"a"},
      {L"a.txt", L".", L"a"},
      {L"C:/", L"zip", L""},
      {L"..", L"zip", L""},
      {L"", L"zip", L""},
  };
  for (const BinaryCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.path).ReplaceExtension(c.argument).value())
        << c.path << " with " << c.argument;
  }
}

TEST(FilePathTest, InsertBeforeExtension) {
  const BinaryCase cases[] = {
      {L"a.txt", L"_1", L"a_1.txt"},
      {L"a.tar.gz", L"_1", L"a_1.tar.gz"},
      {L"dir/a", L"_1", L"dir/a_1"},
      {L"a.txt", L"", L"a.txt"},
      {L"C:/", L"_1", L""},
      {L"..", L"_1", L""},
      {L"", L"_1", L""},
  };
  for (const BinaryCase& c : cases) {
    EXPECT_EQ(c.expected,
              FilePath(c.path).InsertBeforeExtension(c.argument).value())
        << c.path << " with " << c.argument;
  }
  EXPECT_EQ(L"a (2).txt",
            FilePath(L"a.txt").InsertBeforeExtensionASCII(" (2)").value());
}

TEST(FilePathTest, Append) {
  const BinaryCase cases[] = {
      {L".", L"x", L"x"},
      {L"C:/", L"x", L"C:/x"},
      {L"a//", L"x", L"a\\x"},
      {L"a", L"", L"a"},
      {L"a/", L"", L"a"},
      {L"", L"x", L"x"},
      {L"", L"", L""},
      {L"C:", L"x", L"C:x"},  // Stays drive-relative.
      {L"C:\\a", L"b\\c", L"C:\\a\\b\\c"},
      {L"/", L"x", L"/x"},
      {L"//", L"x", L"//x"},
      {L"//srv", L"x", L"//srv\\x"},
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

TEST(FilePathTest, StripTrailingSeparators) {
  const UnaryCase cases[] = {
      {L"a/", L"a"},    {L"a\\\\", L"a"},   {L"a//b//", L"a//b"},
      {L"C:/", L"C:/"}, {L"C://", L"C://"}, {L"C:////", L"C:/"},
      {L"/", L"/"},     {L"//", L"//"},     {L"///", L"/"},
      {L"////", L"/"},  {L"", L""},         {L"C:", L"C:"},
  };
  for (const UnaryCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.input).StripTrailingSeparators().value())
        << "input: " << c.input;
  }
}

TEST(FilePathTest, GetComponents) {
  const struct {
    const wchar_t* input;
    std::vector<std::wstring> expected;
  } cases[] = {
      {L"C:/a/b", {L"C:", L"/", L"a", L"b"}},
      {L"c:\\a\\", {L"c:", L"\\", L"a"}},
      {L"a/b", {L"a", L"b"}},
      {L"//srv/share", {L"//", L"srv", L"share"}},
      {L"/a//b/", {L"/", L"a", L"b"}},
      {L"C:", {L"C:"}},
      {L"C:a", {L"C:", L"a"}},
      {L".", {}},
      {L"", {}},
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
      {L"C:/a", L"C:/a", false},
      {L"C:/a/", L"C:/a/b", true},
      {L"C:/a", L"C:/ab", false},
      {L"C:/a", L"D:/a/b", false},
      {L"C:/", L"C:/a", true},
      {L"a", L"a/b", true},
      {L"//srv", L"//srv/share", true},
      {L"/a", L"//a/b", false},
      {L"", L"a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.parent).IsParent(FilePath(c.child)))
        << c.parent << " over " << c.child;
  }

  FilePath relative;
  EXPECT_TRUE(
      FilePath(L"C:/a").AppendRelativePath(FilePath(L"c:/a/b/c"), &relative));
  EXPECT_EQ(L"b\\c", relative.value());
  FilePath base(L"D:\\x");
  EXPECT_TRUE(FilePath(L"C:/a").AppendRelativePath(FilePath(L"C:/a/b"), &base));
  EXPECT_EQ(L"D:\\x\\b", base.value());
  EXPECT_FALSE(
      FilePath(L"C:/a").AppendRelativePath(FilePath(L"C:/b/c"), &base));
  EXPECT_EQ(L"D:\\x\\b", base.value());  // Untouched on failure.
}

TEST(FilePathTest, ReferencesParent) {
  const PredicateCase cases[] = {
      {L"a/../b", true},   {L"..", true},      {L"a/ ..", true},
      {L"a/..\t/b", true}, {L"a/.../b", true}, {L"a/b..c", false},
      {L"a..", false},     {L"..a/b", false},  {L"a/b", false},
      {L"", false},
  };
  for (const PredicateCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.input).ReferencesParent())
        << "input: " << c.input;
  }
}

TEST(FilePathTest, IsAbsolute) {
  const PredicateCase cases[] = {
      {L"C:/a", true}, {L"C:\\", true},  {L"C:", false},
      {L"C:a", false}, {L"//srv", true}, {L"\\\\", true},
      {L"/a", false},  {L"a", false},    {L"", false},
  };
  for (const PredicateCase& c : cases) {
    EXPECT_EQ(c.expected, FilePath(c.input).IsAbsolute())
        << "input: " << c.input;
  }
}

TEST(FilePathTest, EqualityIgnoresOnlyDriveLetterCase) {
  EXPECT_EQ(FilePath(L"C:/a"), FilePath(L"c:/a"));
  EXPECT_NE(FilePath(L"C:/a"), FilePath(L"C:/A"));
  EXPECT_NE(FilePath(L"a"), FilePath(L"A"));
  EXPECT_NE(FilePath(L"C:/a"), FilePath(L"C:\\a"));
  EXPECT_EQ(FilePath(), FilePath(L""));
}

TEST(FilePathTest, CompareIgnoreCase) {
  const struct {
    const wchar_t* a;
    const wchar_t* b;
    int expected;
  } cases[] = {
      {L"abc", L"ABC", 0},
      {L"", L"", 0},
      {L"a", L"b", -1},
      {L"b", L"A", 1},
      {L"ab", L"abc", -1},  // A prefix sorts first.
      {L"abc", L"AB", 1},
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

TEST(FilePathTest, NormalizePathSeparators) {
  EXPECT_EQ(L"C:\\a\\b\\",
            FilePath(L"C:/a\\b/").NormalizePathSeparators().value());
}

}  // namespace
}  // namespace base
