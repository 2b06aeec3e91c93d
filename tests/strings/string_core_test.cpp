// Representation, reference counting, buffer access and comparison of
// QvString, observed through the block header and the allocation counter.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "alloc_counter.h"
#include "qv_string.h"
#include "string_probe.h"

using alloc_counter::AllocScope;

namespace {

// "refCount/length/allocLength" of the string's block.
std::string Block(const QvString& s) {
    QvStringData* d = Probe::Of(s);
    return std::to_string(d->refCount) + "/" + std::to_string(d->length) + "/" + std::to_string(d->allocLength);
}
QvString WithRoom(const char* text, int room) {
    QvString s;
    std::strcpy(s.GetBuffer(room), text);
    s.ReleaseBuffer();
    return s;
}

template <class F>
bool FailsWithBadAlloc(F f) {
    alloc_counter::FailNth(1);
    bool thrown = false;
    try {
        f();
    } catch (const std::bad_alloc&) {
        thrown = true;
    }
    alloc_counter::CancelFailure();
    return thrown;
}

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

TEST(StringRepresentation, TextFollowsHeaderAndEmptyBlockIsStatic) {
    static_assert(sizeof(QvString) == sizeof(char*), "one pointer member");
    QvString s("abc");
    EXPECT_EQ(static_cast<const char*>(s), Probe::Of(s)->chars());
    EXPECT_EQ("1/3/3", Block(s));
    EXPECT_EQ('\0', s.GetAt(3));
    EXPECT_EQ("-2/0/0", Block(QvGetEmptyString()));
    EXPECT_EQ('\0', EmptyBlock()->chars()[0]);
}

TEST(StringConstruction, EmptyFormsUseStaticBlockWithoutAllocating) {
    AllocScope scope;
    QvString a, b(kNull), c(""), d('x', 0), e('x', -3), f(kNull, 0), g(kNull, -4);
    QvString h(static_cast<const unsigned char*>(nullptr)), i(a), j(QvGetEmptyString());
    EXPECT_EQ(0, scope.Allocs());
    for (const QvString* s : {&a, &b, &c, &d, &e, &f, &g, &h, &i, &j}) {
        EXPECT_EQ(EmptyBlock(), Probe::Of(*s));
        EXPECT_TRUE(s->IsEmpty());
    }
}

TEST(StringConstruction, ExactBlocksThatKeepZeroBytes) {
    AllocScope scope;
    QvString abc("abc");
    EXPECT_EQ(kHeader + 4, scope.Bytes());  // no rounding, no spare room
    QvString p("ab\0cd", 5), copy(p);
    EXPECT_EQ(std::string("ab\0cd", 5), Bytes(p));
    EXPECT_EQ("2/5/5", Block(copy));
    QvString z('\0', 3);
    EXPECT_EQ(std::string(3, '\0'), Bytes(z));
    EXPECT_FALSE(z.IsEmpty());
    EXPECT_EQ("xxxx", Bytes(QvString('x', 4)));
    EXPECT_EQ("\xE9t", Bytes(QvString(reinterpret_cast<const unsigned char*>("\xE9t"))));
}

TEST(StringAssignment, ReturnsSelfAndReusesOrReleasesBlocks) {
    QvString s, other("o");
    EXPECT_EQ(&s, &(s = "x"));
    EXPECT_EQ(&s, &(s = reinterpret_cast<const unsigned char*>("y")));
    EXPECT_EQ(&s, &(s = 'z'));
    EXPECT_EQ(&s, &(s = other));
    s = '\0';
    EXPECT_EQ(std::string(1, '\0'), Bytes(s));
    s = kNull;
    EXPECT_TRUE(s.IsEmpty());

    // An owned block takes shorter and empty texts in place, also from itself.
    s = "abcdef";
    QvStringData* d = Probe::Of(s);
    AllocScope scope;
    s = static_cast<const char*>(s) + 2;
    EXPECT_EQ("cdef", Bytes(s));
    s = "";
    s = s;
    EXPECT_EQ(0, scope.Allocs());
    EXPECT_EQ(d, Probe::Of(s));
    EXPECT_EQ("1/0/6", Block(s));

    // A shared block is released instead; the other holder keeps it.
    QvString a("abc"), b(a);
    b = "";
    EXPECT_EQ(EmptyBlock(), Probe::Of(b));
    EXPECT_EQ(1, RefCount(a));

    // From a string the length counts, from a pointer the first zero byte.
    QvString z("ab\0cd", 5), t, u;
    t = z;
    u = static_cast<const char*>(z);
    EXPECT_EQ(5, t.GetLength());
    EXPECT_EQ(2, u.GetLength());
}

TEST(StringCopyOnWrite, CopiesShareUntilOneWrites) {
    QvString a("hello");
    AllocScope scope;
    {
        QvString b(a), c;
        c = a;
        EXPECT_EQ(0, scope.Allocs());
        EXPECT_EQ(3, RefCount(a));
        EXPECT_EQ(Probe::Of(a), Probe::Of(c));
        b.SetAt(0, 'J');
        EXPECT_EQ("Jello", Bytes(b));
        EXPECT_EQ("hello", Bytes(a));
        EXPECT_EQ("1/5/5", Block(b));
        EXPECT_EQ(2, RefCount(a));
        c = "x";
        QvString d(a);
        EXPECT_NE(static_cast<const char*>(a), d.GetBuffer(0));  // a private copy
        EXPECT_EQ(1, RefCount(a));
        EXPECT_EQ("hello", Bytes(d));
    }
    EXPECT_EQ(1, RefCount(a));
    if (!HasFailure()) {
        EXPECT_EQ(0, scope.Live());
    }
}

TEST(StringLocking, LockedStringsAreCopiedNeverShared) {
    QvString s("ab\0cd", 5);
    EXPECT_EQ(static_cast<const char*>(s), s.LockBuffer());
    EXPECT_EQ(-1, RefCount(s));
    QvString c(s), t;  // copy construction ends at the first zero byte,
    t = s;             // assignment copies the whole length
    EXPECT_EQ("ab", Bytes(c));
    EXPECT_EQ(std::string("ab\0cd", 5), Bytes(t));
    EXPECT_EQ("1/2/2", Block(c));
    EXPECT_EQ("1/5/5", Block(t));
    EXPECT_EQ(-1, RefCount(s));

    // A locked target keeps its block and its lock while the text fits.
    QvString u("0123456789"), src("xyz");
    u.LockBuffer();
    QvStringData* d = Probe::Of(u);
    u = src;
    EXPECT_EQ(d, Probe::Of(u));
    EXPECT_EQ("-1/3/10", Block(u));
    EXPECT_EQ(1, RefCount(src));
    u += "0123456789";  // a larger block starts unlocked
    EXPECT_EQ("1/13/13", Block(u));

    s.UnlockBuffer();
    QvString shared(s);
    EXPECT_EQ(2, RefCount(s));
}

TEST(StringLocking, EmptyKeepsLockedOrOwnBlock) {
    QvString s("abc"), t = WithRoom("", 10), a("abc"), b(a);
    s.LockBuffer();
    QvStringData* ds = Probe::Of(s);
    QvStringData* dt = Probe::Of(t);
    AllocScope scope;
    s.Empty();
    t.Empty();
    b.Empty();
    EXPECT_EQ(0, scope.Allocs());
    EXPECT_EQ(0, scope.Frees());
    EXPECT_EQ(ds, Probe::Of(s));
    EXPECT_EQ("-1/0/3", Block(s));
    EXPECT_EQ('\0', s.GetAt(0));
    EXPECT_EQ(dt, Probe::Of(t));
    EXPECT_EQ(EmptyBlock(), Probe::Of(b));
    EXPECT_EQ(1, RefCount(a));
}

TEST(StringLocking, LockAndUnlockNeverChangeSharedBlocks) {
    QvString e, f, a("abc");
    e.LockBuffer();
    EXPECT_EQ("-2/0/0", Block(QvGetEmptyString()));
    if (Probe::Of(e) != EmptyBlock()) {
        EXPECT_EQ(-1, RefCount(e));
    }
    e.UnlockBuffer();
    f.UnlockBuffer();
    EXPECT_EQ("-2/0/0", Block(QvGetEmptyString()));
    EXPECT_EQ(EmptyBlock(), Probe::Of(f));
    e += "x";
    EXPECT_EQ("x", Bytes(e));
    {
        QvString b(a);
        b.UnlockBuffer();
        EXPECT_EQ(2, RefCount(a));
    }
    EXPECT_EQ(1, RefCount(a));
}

TEST(StringBuffer, GetBufferAndReleaseBuffer) {
    QvString s;
    std::strcpy(s.GetBuffer(10), "abc");
    EXPECT_EQ("1/0/10", Block(s));
    EXPECT_EQ("-2/0/0", Block(QvGetEmptyString()));
    s.ReleaseBuffer(-1);
    EXPECT_EQ(3, s.GetLength());
    s.ReleaseBuffer(2);
    EXPECT_EQ("ab", Bytes(s));
    std::memcpy(s.GetBuffer(5), "ab\0cd", 5);
    s.ReleaseBuffer();  // measured up to the first zero byte
    EXPECT_EQ(2, s.GetLength());
    s.ReleaseBuffer(50);  // clamped to the block
    EXPECT_EQ("1/10/10", Block(s));
    EXPECT_EQ('\0', s.GetAt(10));
    s.ReleaseBuffer(-7);
    EXPECT_EQ(0, s.GetLength());

    QvString g("abcdef");
    QvStringData* d = Probe::Of(g);
    AllocScope scope;
    g.GetBuffer(2);
    EXPECT_EQ(d, Probe::Of(g));
    g.GetBuffer(8);
    EXPECT_EQ(kHeader + 9, scope.Bytes());
    EXPECT_EQ("abcdef", Bytes(g));

    QvString a("abc"), b(a);
    b.ReleaseBuffer(1);
    EXPECT_EQ("a", Bytes(b));
    EXPECT_EQ("abc", Bytes(a));
    b.GetBufferSetLength(4);
    EXPECT_EQ(4, b.GetLength());
    EXPECT_EQ('a', b[0]);
    EXPECT_EQ('\0', b.GetAt(4));
    b.GetBufferSetLength(-3);
    EXPECT_EQ(0, b.GetLength());
    EXPECT_EQ('\0', b.GetAt(0));
}

TEST(StringBuffer, FreeExtraShrinksToLength) {
    QvString s = WithRoom("abc", 100), t = WithRoom("", 10), a = WithRoom("xy", 50), b(a);
    {
        AllocScope scope;
        s.FreeExtra();
        s.FreeExtra();  // already exact
        EXPECT_EQ(1, scope.Allocs());
        EXPECT_EQ(1, scope.Frees());
        EXPECT_EQ(kHeader + 4, scope.Bytes());
    }
    EXPECT_EQ("1/3/3", Block(s));
    EXPECT_EQ("abc", Bytes(s));
    t.FreeExtra();
    EXPECT_EQ(EmptyBlock(), Probe::Of(t));
    b.FreeExtra();  // the roomy shared block stays with a
    EXPECT_EQ("1/2/50", Block(a));
    EXPECT_EQ("1/2/2", Block(b));
    a.LockBuffer();
    a.FreeExtra();
    EXPECT_EQ("1/2/2", Block(a));
}

TEST(StringElementAccess, GetAtSetAtAndOutOfRange) {
    QvString a("abc"), b(a), e;
    EXPECT_EQ('a', a.GetAt(0));
    EXPECT_EQ('c', a[2]);
    EXPECT_EQ('\0', a[3]);
    for (int i : {-1, 4, 1000000, INT_MIN, INT_MAX}) {
        EXPECT_EQ('\0', a.GetAt(i)) << i;
        EXPECT_EQ('\0', a[i]) << i;
        b.SetAt(i, 'x');
    }
    b.SetAt(3, 'x');  // the terminator is never written
    e.SetAt(0, 'x');
    EXPECT_EQ("abc", Bytes(b));
    EXPECT_EQ('\0', b.GetAt(3));
    EXPECT_EQ("-2/0/0", Block(e));
    EXPECT_EQ('\0', EmptyBlock()->chars()[0]);
    b.SetAt(1, '\0');
    EXPECT_EQ(std::string("a\0c", 3), Bytes(b));
    EXPECT_EQ("abc", Bytes(a));
}

TEST(StringConcatenation, OperatorsBuildExactBlocks) {
    QvString a("ab"), b("cd");
    {
        AllocScope scope;
        QvString r = a + b;
        EXPECT_EQ(1, scope.Allocs());
        EXPECT_EQ(kHeader + 5, scope.Bytes());
        EXPECT_EQ("1/4/4", Block(r));
    }
    EXPECT_EQ("abxy", Bytes(a + "xy"));
    EXPECT_EQ("xyab", Bytes("xy" + a));
    EXPECT_EQ("abz", Bytes(a + 'z'));
    EXPECT_EQ("zab", Bytes('z' + a));
    EXPECT_EQ(std::string("ab\0", 3), Bytes(a + '\0'));
    EXPECT_EQ("ab", Bytes(kNull + a));
    EXPECT_EQ("ab", Bytes(a + kNull));
    EXPECT_EQ(std::string("a\0\0b", 4), Bytes(QvString("a\0", 2) + QvString("\0b", 2)));
    AllocScope scope;
    QvString e = QvString() + "";
    EXPECT_EQ(0, scope.Allocs());
    EXPECT_EQ(EmptyBlock(), Probe::Of(e));
}

TEST(StringConcatenation, AppendGrowsExactlyAndHandlesSelf) {
    QvString s("abc");
    {
        AllocScope scope;
        s += "de";
        EXPECT_EQ(1, scope.Allocs());
        EXPECT_EQ(1, scope.Frees());
        EXPECT_EQ(kHeader + 6, scope.Bytes());
    }
    s += '\0';
    s += QvString("x\0y", 3);
    EXPECT_EQ(std::string("abcde\0x\0y", 9), Bytes(s));
    EXPECT_EQ(9, s.GetAllocLength());
    QvStringData* d = Probe::Of(s);
    s += kNull;
    s += "";
    EXPECT_EQ(d, Probe::Of(s));

    QvString t("ab"), u = WithRoom("xy", 20), a("ab"), b(a);
    t += t;
    EXPECT_EQ("abab", Bytes(t));
    {
        AllocScope scope;
        u += u;
        u += static_cast<const char*>(u) + 1;
        EXPECT_EQ(0, scope.Allocs());  // reserved room is used in place
    }
    EXPECT_EQ("xyxyyxy", Bytes(u));
    b += "c";
    EXPECT_EQ("ab", Bytes(a));
    EXPECT_EQ(1, RefCount(a));

    QvString l = WithRoom("ab", 10);
    l.LockBuffer();
    l += "c";
    EXPECT_EQ("-1/3/10", Block(l));
}

TEST(StringComparison, ByteOrderCaseFoldingAndNull) {
    EXPECT_LT(QvString("abc").Compare("abd"), 0);
    EXPECT_LT(QvString("a").Compare("ab"), 0);
    EXPECT_GT(QvString("\x80").Compare("z"), 0);  // bytes compare unsigned
    EXPECT_NE(0, QvString("ABC").Compare("abc"));
    EXPECT_EQ(0, QvString("ABC").CompareNoCase("abc"));
    // Capitals fold to small letters: 'A' ranks as 'a' (0x61), above '['.
    EXPECT_GT(QvString("A").CompareNoCase("["), 0);
    EXPECT_LT(QvString("A").Compare("["), 0);
    EXPECT_NE(0, QvString("\xC4").CompareNoCase("\xE4"));
    for (const char* p : {"abd", "a", "abc", "\x80", "[", "ABC"}) {
        QvString s("abc");
        EXPECT_EQ(Sign(s.Compare(p)), Sign(s.Collate(p))) << p;
        EXPECT_EQ(Sign(s.CompareNoCase(p)), Sign(s.CollateNoCase(p))) << p;
    }
    EXPECT_TRUE(QvString("ab\0x", 4) == QvString("ab\0y", 4));

    QvString e, a("a");
    EXPECT_EQ(0, e.Compare(kNull) | e.CompareNoCase(kNull) | e.Collate(kNull) | e.CollateNoCase(kNull));
    EXPECT_GT(a.Compare(kNull), 0);
    EXPECT_GT(a.CompareNoCase(kNull), 0);
    EXPECT_GT(a.Collate(kNull), 0);
    EXPECT_GT(a.CollateNoCase(kNull), 0);
    EXPECT_TRUE(e == kNull && kNull == e && kNull < a && a > kNull && !(a == kNull) && kNull <= e);
}

TEST(StringComparison, OperatorsAgreeWithCompareInAllForms) {
    const char* pairs[][2] = {{"abc", "abd"}, {"abd", "abc"}, {"abc", "abc"}, {"a", "ab"}, {"\x80", "z"}, {"z", "\xE9"}};
    for (auto& p : pairs) {
        const char* x = p[0];
        const char* y = p[1];
        QvString sx(x), sy(y);
        int c = Sign(std::strcmp(x, y));  // strcmp orders bytes as unsigned
        bool expected[6] = {c == 0, c != 0, c < 0, c > 0, c <= 0, c >= 0};
        bool ss[6] = {sx == sy, sx != sy, sx < sy, sx > sy, sx <= sy, sx >= sy};
        bool sp[6] = {sx == y, sx != y, sx < y, sx > y, sx <= y, sx >= y};
        bool ps[6] = {x == sy, x != sy, x < sy, x > sy, x <= sy, x >= sy};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(expected[i], ss[i]) << x << " vs " << y << ", string/string operator " << i;
            EXPECT_EQ(expected[i], sp[i]) << x << " vs " << y << ", string/pointer operator " << i;
            EXPECT_EQ(expected[i], ps[i]) << x << " vs " << y << ", pointer/string operator " << i;
        }
    }
}

TEST(StringWideView, LivesBehindTextAtEvenOffset) {
    QvString s("abc"), e, h("\xE9\x80"), z("ab\0cd", 5), a("abc"), b(a), r = WithRoom("abc", 40);
    const unsigned short* w = s;
    EXPECT_EQ(4, reinterpret_cast<const char*>(w) - static_cast<const char*>(s));
    EXPECT_GE(s.GetAllocLength(), 12);
    EXPECT_EQ("abc", Bytes(s));
    const unsigned short abc[] = {'a', 'b', 'c', 0};
    EXPECT_EQ(0, std::memcmp(abc, w, sizeof abc));

    w = e;
    EXPECT_EQ(2, reinterpret_cast<const char*>(w) - static_cast<const char*>(e));
    EXPECT_GE(e.GetAllocLength(), 6);
    EXPECT_EQ(0, w[0]);
    EXPECT_EQ("-2/0/0", Block(QvGetEmptyString()));

    w = h;
    EXPECT_EQ(0xE9, w[0]);  // each byte becomes the unit of the same value
    EXPECT_EQ(0x80, w[1]);
    w = z;
    EXPECT_EQ(2, z.GetLength());  // shortened to the first zero byte
    EXPECT_EQ(0, w[2]);
    w = b;
    EXPECT_EQ(1, RefCount(a));
    EXPECT_EQ("abc", Bytes(a));
    AllocScope scope;
    w = r;
    EXPECT_EQ(0, scope.Allocs());
    EXPECT_EQ('c', w[2]);
}

TEST(StringAllocationFailure, ThrowsBadAllocAndKeepsStringUsable) {
    AllocScope scope;
    {
        QvString s("abc"), a(s);
        QvStringData* d = Probe::Of(s);
        EXPECT_TRUE(FailsWithBadAlloc([&] { s += "defg"; }));
        EXPECT_TRUE(FailsWithBadAlloc([&] { s.GetBuffer(100); }));
        EXPECT_TRUE(FailsWithBadAlloc([&] { a.SetAt(0, 'x'); }));
        EXPECT_TRUE(FailsWithBadAlloc([&] { QvString t("xyz"); }));
        EXPECT_TRUE(FailsWithBadAlloc([&] { QvString t = s + "x"; }));
        EXPECT_TRUE(FailsWithBadAlloc([&] { const unsigned short* w = s; (void)w; }));
        EXPECT_EQ(d, Probe::Of(a));
        EXPECT_EQ("2/3/3", Block(s));
        EXPECT_EQ("abc", Bytes(s));
        s += "d";
        a.SetAt(0, 'x');
        EXPECT_EQ("abcd", Bytes(s));
        EXPECT_EQ("xbc", Bytes(a));
    }
    if (!HasFailure()) {
        EXPECT_EQ(0, scope.Live());  // failure reports allocate too
    }
}
