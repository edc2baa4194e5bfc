// Recognition of file kinds by signature and extension.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "common/filekind.h"
#include "support/scratch_dir.h"

namespace {

class FileKind : public ::testing::Test {
 protected:
  LONG Kind(const std::string& name, const std::string& bytes) {
    dir.Write(name, bytes);
    return CheckFileKind((dir / name).c_str());
  }
  mctest::ScratchDir dir{MC_TEST_TMP};
};

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}

TEST_F(FileKind, EveryWholeSignatureGivesItsCode) {
  struct Case {
    std::string bytes;
    LONG kind;
  } cases[] = {
      {Bytes({0x53, 0x58, 0x46, 0x00}), 0x00465853}, {Bytes({0x00, 0x46, 0x58, 0x53}), 0x00465853},
      {Bytes({0x2E, 0x53, 0x49, 0x54}), 0x5449532E}, {Bytes({0x2E, 0x53, 0x58, 0x46}), 0x4658532E},
      {Bytes({0x50, 0x53, 0x50, 0x00}), 0x00505350}, {Bytes({0x00, 0x50, 0x53, 0x50}), 0x00505350},
      {Bytes({0x4D, 0x54, 0x57, 0x00}), 0x0057544D}, {Bytes({0x00, 0x57, 0x54, 0x4D}), 0x0057544D},
      {Bytes({0x52, 0x53, 0x57, 0x00}), 0x00575352}, {Bytes({0x4D, 0x54, 0x51, 0x00}), 0x0051544D},
      {Bytes({0x4D, 0x54, 0x52, 0x00}), 0x0052544D}, {Bytes({0x52, 0x53, 0x54, 0x00}), 0x00545352},
      {Bytes({0x52, 0x53, 0x43, 0x00}), 0x00435352}, {Bytes({0x4D, 0x54, 0x4C, 0x00}), 0x004C544D},
  };
  for (const Case& c : cases) {
    // Whatever the extension, and with more data after the signature.
    EXPECT_EQ(Kind("f.pcx", c.bytes + "rest of file"), c.kind) << std::hex << c.kind;
  }
}

TEST_F(FileKind, PartialSignaturesInOrder) {
  EXPECT_EQ(Kind("a", "DIRx"), 0x00524944);
  EXPECT_EQ(Kind("a", "BM\x01\x02"), 0x4D42);
  EXPECT_EQ(Kind("a", Bytes({0x10, 1, 2, 3})), 0x10);
  EXPECT_EQ(Kind("a.tif", Bytes({'I', 'I', 42, 0})), 0x4949);
  EXPECT_EQ(Kind("a.tif", Bytes({'M', 'M', 0, 42})), 0x4949);
  EXPECT_EQ(Kind("x.mpt", "[Project]\r\n"), 0x0054504D);
  EXPECT_EQ(Kind("x.MpT", "[abc"), 0x0054504D);
  EXPECT_EQ(Kind("x.ini", "[Project]\r\n"), 0);
  EXPECT_EQ(Kind("a", Bytes({0xFF, 0xD8, 0xFF, 0xE0})), 0xD8FF);
  EXPECT_EQ(Kind("a", Bytes({0x00, 0x00, 0x27, 0x0A})), 0x00504853);
  // "BM" wins over a later test; "DIR" needs all three letters.
  EXPECT_EQ(Kind("a.mpt", "BM[x"), 0x4D42);
  EXPECT_EQ(Kind("a", "DIx "), 0);
}

TEST_F(FileKind, ExtensionsIgnoreCase) {
  const std::string plain = "abcd";
  EXPECT_EQ(Kind("a.PCX", plain), 0x10);
  EXPECT_EQ(Kind("a.pcx", plain), 0x10);
  EXPECT_EQ(Kind("a.dxf", plain), 0x00465844);
  EXPECT_EQ(Kind("a.Mif", plain), 0x0046494D);
  EXPECT_EQ(Kind("a.030", plain), 0x3000);
  EXPECT_EQ(Kind("a.000", plain), 0x3000);
  EXPECT_EQ(Kind("a.mpt", plain), 0x0054504D);
  EXPECT_EQ(Kind("a.jpg", plain), 0xD8FF);
  EXPECT_EQ(Kind("a.PLN", plain), 0x004E4C50);
  EXPECT_EQ(Kind("a.shp", plain), 0x00504853);
  EXPECT_EQ(Kind("a.txt", plain), 0);
  EXPECT_EQ(Kind("a.pcx.txt", plain), 0);
  EXPECT_EQ(Kind("noext", plain), 0);
}

TEST_F(FileKind, ShortOrMissingFilesGiveZero) {
  EXPECT_EQ(Kind("A.PCX", "abc"), 0);  // the extension is not looked at
  EXPECT_EQ(Kind("e.mtw", ""), 0);
  EXPECT_EQ(Kind("r.x", "RSWX"), 0);
  EXPECT_EQ(CheckFileKind((dir / "missing.pcx").c_str()), 0);
  EXPECT_EQ(CheckFileKind(nullptr), 0);
  EXPECT_EQ(CheckFileKind(dir.path().c_str()), 0);  // a folder
  ASSERT_EQ(mkfifo((dir / "pipe.sit").c_str(), 0666), 0);
  EXPECT_EQ(CheckFileKind((dir / "pipe.sit").c_str()), 0);  // a pipe: no waiting
}

}  // namespace
