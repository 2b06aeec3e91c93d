// The file stream on real files under the platform.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "qv_file_stream.h"
#include "pointer_code.h"
#include "qv_stream_exception.h"

namespace {

// A scratch folder of its own, removed with everything in it at the end.
class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "qvfs" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((folder_ + "\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name != "." && name != "..") DeleteFileA((folder_ + "\\" + name).c_str());
            } while (FindNextFileA(h, &found));
            FindClose(h);
        }
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Path(const char* name) const { return folder_ + "\\" + name; }
    void WriteFileBytes(const std::string& path, const std::string& bytes) {
        QvFileStream s(path.c_str(), QvFileStream::AccessWrite | QvFileStream::OpenCreate);
        s.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    std::string ReadFileBytes(const std::string& path) {
        QvFileStream s(path.c_str(), QvFileStream::AccessRead | QvFileStream::ShareRead);
        std::string out;
        char buf[64];
        uint32_t n;
        while ((n = s.Read(buf, sizeof buf)) > 0) out.append(buf, n);
        return out;
    }

    std::string folder_;
};

}  // namespace

TEST_F(FileStreamTest, ZeroCountsMakeNoSystemCall) {
    // A handle no call could succeed with: any system call would throw.
    QvFileStream stream(INVALID_HANDLE_VALUE);
    char buf[4] = {};
    EXPECT_EQ(0u, stream.Read(buf, 0));
    EXPECT_EQ(0u, stream.Write(buf, 0));
    EXPECT_EQ(1, PointerCode([&] { stream.Read(buf, 1); }));
    EXPECT_EQ(2, PointerCode([&] { stream.Write(buf, 1); }));
    EXPECT_EQ(4, PointerCode([&] { stream.Tell(); }));
}

TEST_F(FileStreamTest, CreateEmptiesKeepContentsKeepsAndReadEndsAtZero) {
    std::string path = Path("a.bin");
    WriteFileBytes(path, "0123456789");
    WriteFileBytes(path, "xy");
    EXPECT_EQ("xy", ReadFileBytes(path));
    {
        QvFileStream s(path.c_str(), QvFileStream::AccessReadWrite | QvFileStream::OpenCreate |
                                         QvFileStream::OpenKeepContents);
        EXPECT_EQ(2u, s.Length());
        s.Seek(0, 2);
        s.Write("z", 1);
        char buf[8];
        EXPECT_EQ(0u, s.Read(buf, sizeof buf));  // at the end: 0, no exception
    }
    EXPECT_EQ("xyz", ReadFileBytes(path));
    // OpenKeepContents alone changes nothing: the file must exist.
    QvFileStream s;
    EXPECT_EQ(0, s.Open(Path("missing.bin").c_str(), QvFileStream::AccessWrite | QvFileStream::OpenKeepContents));
}

TEST_F(FileStreamTest, LengthKeepsThePositionAndSeekReportsIt) {
    std::string path = Path("len.bin");
    WriteFileBytes(path, std::string(1000, 'q'));
    QvFileStream s(path.c_str(), QvFileStream::AccessRead);
    EXPECT_EQ(300u, s.Seek(300, 0));
    EXPECT_EQ(1000u, s.Length());
    EXPECT_EQ(300u, s.Tell());
    EXPECT_EQ(290u, s.Seek(-10, 1));
    EXPECT_EQ(995u, s.Seek(-5, 2));
    EXPECT_EQ(4, PointerCode([&] { s.Seek(-2000, 1); }));
}

TEST_F(FileStreamTest, LocksConflictAcrossHandlesAndUnlockOfNothingThrows6) {
    std::string path = Path("lock.bin");
    WriteFileBytes(path, std::string(100, 'l'));
    const uint32_t shared = QvFileStream::AccessReadWrite | QvFileStream::ShareReadWrite;
    QvFileStream first(path.c_str(), shared);
    QvFileStream second(path.c_str(), shared);
    EXPECT_EQ(0, first.Lock(10, 20));
    EXPECT_EQ(-1, second.Lock(15, 5));
    EXPECT_EQ(0, second.Lock(50, 5));
    EXPECT_EQ(6, PointerCode([&] { first.Unlock(60, 5); }));
    first.Unlock(10, 20);
    EXPECT_EQ(0, second.Lock(15, 5));
    second.Unlock(15, 5);
    second.Unlock(50, 5);
}

TEST_F(FileStreamTest, OpenFailuresAndTheirReports) {
    std::string missing = Path("none.bin");
    QvFileStream s;
    EXPECT_EQ(0, s.Open(missing.c_str(), QvFileStream::AccessRead));
    EXPECT_EQ(nullptr, s.Handle());
    std::string detail;
    EXPECT_EQ(7, PointerCode([&] { QvFileStream t(missing.c_str(), QvFileStream::AccessRead); }, &detail));
    EXPECT_EQ(missing, detail);

    // Undefined access and sharing values open nothing, even for an existing file.
    std::string path = Path("flags.bin");
    WriteFileBytes(path, "f");
    EXPECT_EQ(0, s.Open(path.c_str(), 3));
    EXPECT_EQ(0, s.Open(path.c_str(), QvFileStream::AccessRead | 0x50));
    // A stream that holds a file refuses a second open and keeps the first.
    ASSERT_EQ(1, s.Open(path.c_str(), QvFileStream::AccessRead | QvFileStream::ShareRead));
    void* first = s.Handle();
    EXPECT_EQ(0, s.Open(path.c_str(), QvFileStream::AccessRead | QvFileStream::ShareRead));
    EXPECT_EQ(first, s.Handle());
    // A write through a read-only handle fails with WriteFailed (2).
    EXPECT_EQ(2, PointerCode([&] { s.Write("x", 1); }));
}

TEST_F(FileStreamTest, ForeignHandlesStayOpenUntilClosed) {
    std::string path = Path("foreign.bin");
    WriteFileBytes(path, "abc");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    { QvFileStream borrowed(h); }
    DWORD flags;
    EXPECT_TRUE(GetHandleInformation(h, &flags));  // still open
    auto* borrowed = new QvFileStream(h);
    borrowed->Close();
    EXPECT_EQ(nullptr, borrowed->Handle());
    EXPECT_FALSE(GetHandleInformation(h, &flags));
    borrowed->Close();  // nothing to close: no exception
    // Closed, the stream can open again, and then owns what it opened.
    EXPECT_EQ(1, borrowed->Open(path.c_str(), QvFileStream::AccessRead));
    HANDLE own = static_cast<HANDLE>(borrowed->Handle());
    delete borrowed;
    EXPECT_FALSE(GetHandleInformation(own, &flags));
}

TEST_F(FileStreamTest, UnsharedWriteStreamKeepsOthersOut) {
    std::string path = Path("excl.bin");
    QvFileStream writer(path.c_str(), QvFileStream::AccessWrite | QvFileStream::OpenCreate);
    QvFileStream other;
    EXPECT_EQ(0, other.Open(path.c_str(), QvFileStream::AccessRead | QvFileStream::ShareReadWrite));
}

TEST_F(FileStreamTest, FailingCloseThrows8AndTheStreamIsClosedAnyway) {
    // A handle protected from closing makes CloseHandle fail.
    std::vector<HANDLE> stuck;
    for (bool throughDestructor : {false, true}) {
        SCOPED_TRACE(throughDestructor ? "destructor" : "Close");
        std::string path = Path(throughDestructor ? "close2.bin" : "close1.bin");
        auto* s = new QvFileStream(path.c_str(), QvFileStream::AccessWrite | QvFileStream::OpenCreate);
        HANDLE h = s->Handle();
        ASSERT_TRUE(SetHandleInformation(h, HANDLE_FLAG_PROTECT_FROM_CLOSE, HANDLE_FLAG_PROTECT_FROM_CLOSE));
        stuck.push_back(h);
        if (throughDestructor) {
            EXPECT_EQ(8, PointerCode([&] { delete s; }));
            continue;
        }
        EXPECT_EQ(8, PointerCode([&] { s->Close(); }));
        EXPECT_EQ(nullptr, s->Handle());
        EXPECT_EQ(0, PointerCode([&] { s->Close(); }));  // nothing left to close
        EXPECT_EQ(1, s->Open(Path("again.bin").c_str(), QvFileStream::AccessWrite | QvFileStream::OpenCreate));
        HANDLE again = static_cast<HANDLE>(s->Handle());
        EXPECT_EQ(0, PointerCode([&] { delete s; }));
        DWORD flags;
        EXPECT_FALSE(GetHandleInformation(again, &flags)) << "the reopened file was left open";
    }
    for (HANDLE h : stuck) {
        SetHandleInformation(h, HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
        EXPECT_TRUE(CloseHandle(h));
    }
}
