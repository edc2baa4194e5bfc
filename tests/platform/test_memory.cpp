// The page allocator and the fault hooks for allocations and writes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/fault.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "support/scratch_dir.h"

namespace {

using mctest::ScratchDir;

class MemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::fault::Reset(); }
  void TearDown() override { plat::fault::Reset(); }
};

bool AllZero(const void* p, size_t n) {
  const unsigned char* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i]) return false;
  return true;
}

TEST_F(MemoryTest, BlocksComeZeroFilled) {
  // Blocks with their pages in place or not.
  for (void* (*alloc)(SIZE_T) : {&plat::AllocPages, &plat::AllocPagesReady}) {
    for (SIZE_T size :
         {SIZE_T(1), SIZE_T(268), SIZE_T(124746), SIZE_T(300001), SIZE_T(3) << 20}) {
      void* p = alloc(size);
      ASSERT_NE(p, nullptr) << size;
      EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u) << size;
      EXPECT_TRUE(AllZero(p, size)) << size;
      EXPECT_EQ(plat::PageBlockSize(p), size);
      std::memset(p, 0xAB, size);
      EXPECT_TRUE(plat::FreePages(p));
      // A block given again is cleared again.
      void* q = alloc(size);
      ASSERT_NE(q, nullptr);
      EXPECT_TRUE(AllZero(q, size)) << size;
      EXPECT_TRUE(plat::FreePages(q));
    }
    EXPECT_EQ(alloc(0), nullptr);
  }
}

TEST_F(MemoryTest, ForeignAndRepeatedFreesAreRefused) {
  char local[16];
  EXPECT_FALSE(plat::VirtualFree(local, 0, MEM_RELEASE));
  EXPECT_EQ(plat::GetLastError(), 87u);
  void* p = plat::VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(plat::VirtualFree(static_cast<char*>(p) + 16, 0, MEM_RELEASE));
  EXPECT_FALSE(plat::VirtualFree(p, 4096, MEM_RELEASE));  // release takes size 0
  // Committing inside a block hands back the address; decommitting clears.
  std::memset(p, 1, 4096);
  EXPECT_EQ(plat::VirtualAlloc(static_cast<char*>(p) + 100, 50, MEM_COMMIT, PAGE_READWRITE),
            static_cast<char*>(p) + 100);
  // A range reaching past the block is refused, however large its size.
  EXPECT_EQ(plat::VirtualAlloc(static_cast<char*>(p) + 100, 4000, MEM_COMMIT, PAGE_READWRITE),
            nullptr);
  EXPECT_EQ(plat::VirtualAlloc(static_cast<char*>(p) + 100, ~SIZE_T(0), MEM_COMMIT,
                               PAGE_READWRITE),
            nullptr);
  EXPECT_TRUE(plat::VirtualFree(static_cast<char*>(p) + 100, 50, MEM_DECOMMIT));
  EXPECT_TRUE(AllZero(static_cast<char*>(p) + 100, 50));
  EXPECT_EQ(static_cast<char*>(p)[99], 1);
  EXPECT_TRUE(plat::VirtualFree(p, 0, MEM_RELEASE));
  EXPECT_FALSE(plat::VirtualFree(p, 0, MEM_RELEASE));
  EXPECT_EQ(plat::VirtualAlloc(nullptr, 0, MEM_COMMIT, PAGE_READWRITE), nullptr);
}

TEST_F(MemoryTest, TheNthAllocationFails) {
  plat::fault::FailAllocation(3);
  void* a = plat::AllocPages(100);
  void* b = plat::AllocPages(100);
  void* c = plat::AllocPages(100);
  void* d = plat::AllocPages(100);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(plat::GetLastError(), 8u);
  EXPECT_NE(d, nullptr);  // one fault only
  EXPECT_EQ(plat::fault::AllocationCount(), 4);
  for (void* p : {a, b, d}) plat::FreePages(p);

  plat::fault::FailAllocation(2, true);
  a = plat::AllocPages(10);
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(plat::AllocPages(10), nullptr);
  EXPECT_EQ(plat::AllocPages(10), nullptr);
  plat::fault::Reset();
  b = plat::AllocPages(10);
  EXPECT_NE(b, nullptr);
  plat::FreePages(a);
  plat::FreePages(b);
}

class WriteFaultTest : public MemoryTest {
 protected:
  void SetUp() override {
    MemoryTest::SetUp();
    plat::SetWriteThroughEnabled(false);
    file = plat::CreateFileA((dir / "out.dat").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    plat::CloseHandle(file);
    MemoryTest::TearDown();
  }
  ScratchDir dir{MC_TEST_TMP};
  HANDLE file = nullptr;
};

TEST_F(WriteFaultTest, TheNthWriteFails) {
  plat::fault::FailWrite(2, plat::fault::WriteFault::Error);
  DWORD n = 99;
  EXPECT_TRUE(plat::WriteFile(file, "aaaa", 4, &n, nullptr));
  EXPECT_FALSE(plat::WriteFile(file, "bbbb", 4, &n, nullptr));
  EXPECT_EQ(plat::GetLastError(), 29u);
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(plat::WriteFile(file, "cccc", 4, &n, nullptr));
  EXPECT_EQ(dir.Read("out.dat"), "aaaacccc");
  EXPECT_EQ(plat::fault::WriteCount(), 3);
}

TEST_F(WriteFaultTest, AShortWriteIsReportedAsSuch) {
  plat::fault::FailWrite(1, plat::fault::WriteFault::Short);
  DWORD n = 0;
  EXPECT_TRUE(plat::WriteFile(file, "12345678", 8, &n, nullptr));
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(plat::SetFilePointer(file, 0, nullptr, FILE_CURRENT), 4u);
  plat::fault::FailWrite(1, plat::fault::WriteFault::Short, false, 100);
  EXPECT_TRUE(plat::WriteFile(file, "abc", 3, &n, nullptr));
  EXPECT_EQ(n, 2u);  // always short, whatever was asked
  EXPECT_EQ(dir.Read("out.dat"), "1234ab");
}

TEST_F(WriteFaultTest, ADiskThatFillsUp) {
  plat::fault::FailWrite(2, plat::fault::WriteFault::DiskFull, true);
  DWORD n = 0;
  EXPECT_TRUE(plat::WriteFile(file, "ok", 2, &n, nullptr));
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(plat::WriteFile(file, "no", 2, &n, nullptr));
    EXPECT_EQ(plat::GetLastError(), 112u);
  }
  EXPECT_EQ(dir.Read("out.dat"), "ok");
}

}  // namespace
