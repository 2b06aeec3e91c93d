// Searching, extraction, case and code-page changes, trimming and in-place
// editing of QvString, including texts with embedded zero bytes, arguments
// outside the text, and strings that share their block.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <new>
#include <string>

#include "alloc_counter.h"
#include "qv_string.h"
#include "string_probe.h"
#include "zero_length_writers.h"

using alloc_counter::AllocScope;

namespace {

QvString Make(const std::string& bytes) { return QvString(bytes.data(), static_cast<int>(bytes.size())); }
std::string B(const char* p, size_t n) { return std::string(p, n); }

// A string that holds text and has room for `room` characters in all.
QvString WithRoom(const std::string& text, int room) {
    QvString s;
    std::memcpy(s.GetBuffer(room), text.data(), text.size());
    s.ReleaseBuffer(static_cast<int>(text.size()));
    return s;  // copy-constructed result shares the roomy block
}

}  // namespace

TEST(StringSearch, FindReverseFindAndFindOneOf) {
    QvString s("abc");
    EXPECT_EQ(3, s.Find('\0'));
    EXPECT_EQ(1, s.Find('b', 1));
    EXPECT_EQ(-1, s.Find('a', 1));
    EXPECT_EQ(-1, s.Find('c', 3));
    EXPECT_EQ(-1, s.Find('\0', 3));  // the character form never starts at the terminator
    EXPECT_EQ(0, s.Find(""));
    EXPECT_EQ(3, s.Find("", 3));
    EXPECT_EQ(-1, s.Find("", 4));
    EXPECT_EQ(1, s.Find("bc", 1));
    EXPECT_EQ(-1, s.Find("bc", 2));
    EXPECT_EQ(0, s.Find('a', -5));  // a negative start searches from the beginning
    EXPECT_EQ(1, s.Find("bc", -3));
    EXPECT_EQ(0, s.Find(kNull));
    EXPECT_EQ(3, QvString("a/b/c").ReverseFind('/'));
    EXPECT_EQ(3, s.ReverseFind('\0'));
    EXPECT_EQ(-1, s.ReverseFind('x'));
    EXPECT_EQ(-1, s.FindOneOf(""));
    EXPECT_EQ(-1, s.FindOneOf(kNull));
    EXPECT_EQ(1, s.FindOneOf("xcb"));
    EXPECT_EQ(1, QvString("a\xE9").FindOneOf("\xE9"));
    EXPECT_EQ(1, QvString("a\xE9").Find('\xE9'));

    // Searches end at the first zero byte.
    QvString z = Make(B("ab\0cd", 5));
    EXPECT_EQ(2, z.Find('\0'));
    EXPECT_EQ(-1, z.Find('c'));
    EXPECT_EQ(-1, z.Find("cd"));
    EXPECT_EQ(-1, z.ReverseFind('d'));
    EXPECT_EQ(-1, z.FindOneOf("dc"));
}

TEST(StringExtract, MidLeftRightClampAndOwnExactBlocks) {
    QvString s("abcdef");
    EXPECT_EQ("abc", Bytes(s.Mid(-2, 3)));
    EXPECT_EQ("ef", Bytes(s.Mid(4, 10)));
    EXPECT_EQ("", Bytes(s.Mid(7, 1)));
    EXPECT_EQ("", Bytes(s.Mid(6)));
    EXPECT_EQ("abcdef", Bytes(s.Mid(-1)));
    EXPECT_EQ("cdef", Bytes(s.Mid(2)));
    EXPECT_EQ("", Bytes(s.Mid(2, -1)));
    EXPECT_EQ("cdef", Bytes(s.Mid(2, INT_MAX)));
    EXPECT_EQ("", Bytes(s.Left(-1)));
    EXPECT_EQ("ab", Bytes(s.Left(2)));
    EXPECT_EQ("abcdef", Bytes(s.Left(100)));
    EXPECT_EQ("abcdef", Bytes(s.Right(10)));
    EXPECT_EQ("ef", Bytes(s.Right(2)));
    EXPECT_EQ("", Bytes(s.Right(-3)));

    {
        AllocScope scope;
        QvString r = s.Mid(1, 3);
        QvString e1 = s.Mid(3, 0), e2 = s.Left(0), e3 = s.Right(0);
        EXPECT_EQ(1, scope.Allocs());
        EXPECT_EQ(kHeader + 4, scope.Bytes());
        EXPECT_EQ(3, r.GetAllocLength());
        EXPECT_EQ(1, RefCount(r));
        EXPECT_EQ(EmptyBlock(), Probe::Of(e1));
        EXPECT_EQ(EmptyBlock(), Probe::Of(e2));
        EXPECT_EQ(EmptyBlock(), Probe::Of(e3));
    }
    EXPECT_EQ("abcdef", Bytes(s));
    EXPECT_EQ(1, RefCount(s));

    QvString z = Make(B("a\0b\0c", 5));
    EXPECT_EQ(B("\0b\0", 3), Bytes(z.Mid(1, 3)));
    EXPECT_EQ(B("a\0", 2), Bytes(z.Left(2)));
    EXPECT_EQ(B("\0c", 2), Bytes(z.Right(2)));
}

// Positions and counts at both ends of the int range clamp like any other
// value outside the text, with no arithmetic on them that could overflow.
TEST(StringExtract, ExtremePositionsClamp) {
    const QvString s("abcdef");
    auto deleted = [&](int index, int count) {
        QvString t(s);
        int before = t.Delete(index, count);
        return std::to_string(before) + ":" + Bytes(t);
    };
    auto inserted = [&](int index, const char* text) {
        QvString t(s);
        int after = text[1] == '\0' ? t.Insert(index, text[0]) : t.Insert(index, text);
        return std::to_string(after) + ":" + Bytes(t);
    };
    struct Case {
        const char* call;
        std::string result, expected;
    } cases[] = {
        {"Mid(INT_MIN)", Bytes(s.Mid(INT_MIN)), "abcdef"},
        {"Mid(INT_MAX)", Bytes(s.Mid(INT_MAX)), ""},
        {"Mid(INT_MIN, 3)", Bytes(s.Mid(INT_MIN, 3)), "abc"},
        {"Mid(INT_MIN, INT_MAX)", Bytes(s.Mid(INT_MIN, INT_MAX)), "abcdef"},
        {"Mid(INT_MIN, INT_MIN)", Bytes(s.Mid(INT_MIN, INT_MIN)), ""},
        {"Mid(INT_MAX, INT_MAX)", Bytes(s.Mid(INT_MAX, INT_MAX)), ""},
        {"Mid(INT_MAX, INT_MIN)", Bytes(s.Mid(INT_MAX, INT_MIN)), ""},
        {"Mid(5, INT_MAX)", Bytes(s.Mid(5, INT_MAX)), "f"},
        {"Left(INT_MIN)", Bytes(s.Left(INT_MIN)), ""},
        {"Left(INT_MAX)", Bytes(s.Left(INT_MAX)), "abcdef"},
        {"Right(INT_MIN)", Bytes(s.Right(INT_MIN)), ""},
        {"Right(INT_MAX)", Bytes(s.Right(INT_MAX)), "abcdef"},
        {"Find('a', INT_MIN)", std::to_string(s.Find('a', INT_MIN)), "0"},
        {"Find('a', INT_MAX)", std::to_string(s.Find('a', INT_MAX)), "-1"},
        {"Find(\"cd\", INT_MIN)", std::to_string(s.Find("cd", INT_MIN)), "2"},
        {"Find(\"\", INT_MAX)", std::to_string(s.Find("", INT_MAX)), "-1"},
        {"Delete(INT_MIN, 2)", deleted(INT_MIN, 2), "6:cdef"},
        {"Delete(INT_MIN, INT_MAX)", deleted(INT_MIN, INT_MAX), "6:"},
        {"Delete(INT_MIN, INT_MIN)", deleted(INT_MIN, INT_MIN), "6:abcdef"},
        {"Delete(5, INT_MAX)", deleted(5, INT_MAX), "6:abcde"},
        {"Delete(INT_MAX, INT_MAX)", deleted(INT_MAX, INT_MAX), "6:abcdef"},
        {"Insert(INT_MIN, 'x')", inserted(INT_MIN, "x"), "7:xabcdef"},
        {"Insert(INT_MAX, 'x')", inserted(INT_MAX, "x"), "7:abcdefx"},
        {"Insert(INT_MIN, \"yz\")", inserted(INT_MIN, "yz"), "8:yzabcdef"},
        {"Insert(INT_MAX, \"yz\")", inserted(INT_MAX, "yz"), "8:abcdefyz"},
    };
    for (auto& c : cases) EXPECT_EQ(c.expected, c.result) << c.call;
    EXPECT_EQ("abcdef", Bytes(s));
}

TEST(StringExtract, Spans) {
    QvString s("abacus");
    EXPECT_EQ("aba", Bytes(s.SpanIncluding("ab")));
    EXPECT_EQ("aba", Bytes(s.SpanExcluding("cu")));
    EXPECT_EQ("abacus", Bytes(s.SpanExcluding("")));
    EXPECT_EQ("abacus", Bytes(s.SpanExcluding(kNull)));
    EXPECT_EQ("", Bytes(s.SpanIncluding("")));
    EXPECT_EQ("", Bytes(s.SpanIncluding(kNull)));
    EXPECT_EQ("abacus", Bytes(s.SpanIncluding("subca")));
    EXPECT_EQ("", Bytes(s.SpanExcluding("a")));
    QvString z = Make(B("ab\0ab", 5));
    EXPECT_EQ("ab", Bytes(z.SpanIncluding("ab")));
    EXPECT_EQ("ab", Bytes(z.SpanExcluding("x")));
}

// Case, code page and trimming work in place and only up to the first zero byte.
TEST(StringInPlace, CaseCodePageAndTrimming) {
    const char* ascii = "Hello, World! 0123456789 ~{}[]";
    struct Case {
        std::string text;
        std::function<void(QvString&)> op;
        std::string expected;
    } cases[] = {
        {"abc\xE4z[`{", [](QvString& s) { s.MakeUpper(); }, "ABC\xE4Z[`{"},
        {"ABC\xC4Z@[", [](QvString& s) { s.MakeLower(); }, "abc\xC4z@["},
        {"abc", [](QvString& s) { s.MakeReverse(); }, "cba"},
        {B("ab\0cd", 5), [](QvString& s) { s.MakeUpper(); }, B("AB\0cd", 5)},
        {B("ab\0cd", 5), [](QvString& s) { s.MakeReverse(); }, B("ba\0cd", 5)},
        {"J\xF6rg \xE9", [](QvString& s) { s.CharToOemA(); }, "J\x94rg \x82"},
        {"J\x94rg \x82", [](QvString& s) { s.OemToCharA(); }, "J\xF6rg \xE9"},
        {ascii, [](QvString& s) { s.CharToOemA(); }, ascii},
        {ascii, [](QvString& s) { s.OemToCharA(); }, ascii},
        {B("\xF6\0\xF6", 3), [](QvString& s) { s.CharToOemA(); }, B("\x94\0\xF6", 3)},
        {"ab \t\r\n", [](QvString& s) { s.TrimRight(); }, "ab"},
        {"ab\v\f ", [](QvString& s) { s.TrimRight(); }, "ab"},
        {"a b", [](QvString& s) { s.TrimRight(); }, "a b"},
        {"a b", [](QvString& s) { s.TrimLeft(); }, "a b"},
        {"  ab ", [](QvString& s) { s.TrimLeft(); }, "ab "},
        {"ab\xA0", [](QvString& s) { s.TrimRight(); }, "ab\xA0"},  // not a "C" locale space
        {"\xA0" "ab", [](QvString& s) { s.TrimLeft(); }, "\xA0" "ab"},
        {"   ", [](QvString& s) { s.TrimRight(); }, ""},
        {" \t ", [](QvString& s) { s.TrimLeft(); }, ""},
        {"xyxzy", [](QvString& s) { s.TrimLeft("xy"); }, "zy"},
        {"axxbxx", [](QvString& s) { s.TrimRight('x'); }, "axxb"},
        {"xxaxx", [](QvString& s) { s.TrimLeft('x'); }, "axx"},
        {"abxyyx", [](QvString& s) { s.TrimRight("xy"); }, "ab"},
        {"xyxy", [](QvString& s) { s.TrimLeft("yx"); }, ""},
        {"abx", [](QvString& s) { s.TrimRight(""); }, "abx"},
        {"abx", [](QvString& s) { s.TrimRight(kNull); }, "abx"},
        // Embedded zero bytes: trimming looks only up to the first one.
        {B("ab \0cd", 6), [](QvString& s) { s.TrimRight(); }, "ab"},
        {B("ab\0 c", 5), [](QvString& s) { s.TrimRight(); }, B("ab\0 c", 5)},
        {B(" \0ab", 4), [](QvString& s) { s.TrimLeft(); }, B("\0ab", 3)},
        {B("\0\0\0", 3), [](QvString& s) { s.TrimLeft('\0'); }, ""},
    };
    for (auto& c : cases) {
        QvString s = Make(c.text);
        c.op(s);
        EXPECT_EQ(c.expected, Bytes(s)) << "on '" << c.text << "'";
        EXPECT_EQ('\0', s.GetAt(s.GetLength()));
    }

    // An empty or null set leaves the block shared.
    QvString a("xax"), b(a), e;
    b.TrimLeft("");
    b.TrimLeft(kNull);
    EXPECT_EQ(2, RefCount(a));
    EXPECT_EQ("xax", Bytes(b));

    // Nothing to change on the empty string: its static block is never written.
    AllocScope scope;
    e.MakeUpper();
    e.MakeReverse();
    e.TrimLeft('\0');
    e.TrimRight();
    EXPECT_EQ(0, scope.Allocs());
    EXPECT_EQ(EmptyBlock(), Probe::Of(e));
    EXPECT_EQ(-2, EmptyBlock()->refCount);
    EXPECT_EQ('\0', EmptyBlock()->chars()[0]);
}

TEST(StringInsert, ClampsGrowsExactlyAndAcceptsOwnText) {
    QvString s("ab"), keep(s);
    EXPECT_EQ(2, s.Insert(1, ""));
    EXPECT_EQ(2, s.Insert(1, kNull));
    EXPECT_EQ(2, RefCount(keep));  // nothing to insert: still shared
    EXPECT_EQ(3, s.Insert(-5, 'x'));
    EXPECT_EQ("xab", Bytes(s));
    EXPECT_EQ("ab", Bytes(keep));
    EXPECT_EQ(5, s.Insert(99, "cd"));
    EXPECT_EQ(6, s.Insert(99, 'z'));
    EXPECT_EQ("xabcdz", Bytes(s));

    QvString z = Make(B("a\0b", 3));
    EXPECT_EQ(4, z.Insert(3, 'c'));
    EXPECT_EQ(6, z.Insert(0, "xy"));
    EXPECT_EQ(7, z.Insert(1, '\0'));
    EXPECT_EQ(B("x\0ya\0bc", 7), Bytes(z));

    QvString g("ab");
    {
        AllocScope scope;
        g.Insert(1, "xyz");
        EXPECT_EQ(1, scope.Allocs());
        EXPECT_EQ(1, scope.Frees());
        EXPECT_EQ(kHeader + 6, scope.Bytes());
    }
    EXPECT_EQ("axyzb", Bytes(g));
    EXPECT_EQ(5, g.GetAllocLength());

    // Inserting the string's own text, with and without room to move in place.
    QvString own("abc");
    EXPECT_EQ(6, own.Insert(1, static_cast<const char*>(own)));
    EXPECT_EQ("aabcbc", Bytes(own));
    QvString roomy = WithRoom("abc", 20);
    {
        AllocScope scope;
        roomy.Insert(3, "de");
        EXPECT_EQ(0, scope.Allocs());  // reserved room is used in place
    }
    roomy.Insert(1, static_cast<const char*>(roomy));
    roomy.Insert(0, static_cast<const char*>(roomy) + 7);
    EXPECT_EQ("cdeaabcdebcde", Bytes(roomy));
}

TEST(StringDelete, ClampsAndReturnsPreviousLength) {
    struct Case {
        int index, count, expectedReturn;
        std::string text, expected;
    } cases[] = {
        {1, 2, 5, "abcde", "ade"},        {5, 1, 5, "abcde", "abcde"},
        {0, 0, 5, "abcde", "abcde"},      {2, -1, 5, "abcde", "abcde"},
        {-3, 1, 5, "abcde", "bcde"},      {3, 100, 5, "abcde", "abc"},
        {1, INT_MAX, 5, "abcde", "a"},    {0, 5, 5, "abcde", ""},
        {0, 1, 4, B("a\0bc", 4), B("\0bc", 3)},
        {1, 2, 5, B("ab\0cd", 5), "acd"},
    };
    for (auto& c : cases) {
        QvString s = Make(c.text), other(s);
        EXPECT_EQ(c.expectedReturn, s.Delete(c.index, c.count)) << c.index << "," << c.count;
        EXPECT_EQ(c.expected, Bytes(s)) << c.index << "," << c.count;
        EXPECT_EQ('\0', s.GetAt(s.GetLength()));
        EXPECT_EQ(c.text, Bytes(other));
        if (c.expected == c.text) {
            EXPECT_EQ(Probe::Of(other), Probe::Of(s));
        }
    }
}

TEST(StringReplace, CharactersCoverTheWholeLength) {
    QvString a("hello"), b(a);
    EXPECT_EQ(0, b.Replace('a', 'a'));
    EXPECT_EQ(2, RefCount(a));
    EXPECT_EQ(2, b.Replace('l', 'L'));
    EXPECT_EQ("heLLo", Bytes(b));
    EXPECT_EQ("hello", Bytes(a));

    QvString z = Make(B("a\0a", 3));
    EXPECT_EQ(2, z.Replace('a', 'b'));
    EXPECT_EQ(B("b\0b", 3), Bytes(z));
    EXPECT_EQ(1, z.Replace('\0', '-'));  // the terminator is not counted
    EXPECT_EQ("b-b", Bytes(z));
    EXPECT_EQ(1, z.Replace('-', '\0'));
    EXPECT_EQ(B("b\0b", 3), Bytes(z));
    EXPECT_EQ(0, z.Replace('q', 'r'));
}

TEST(StringReplace, TextsCountFirstAndMoveOnce) {
    struct Case {
        std::string text;
        const char* oldText;
        const char* newText;
        int count;
        std::string expected;
    } cases[] = {
        {"aaaa", "aa", "b", 2, "bb"},
        {"aaa", "aa", "b", 1, "ba"},
        {"abc", "", "x", 0, "abc"},
        {"abc", nullptr, "x", 0, "abc"},
        {"abcb", "b", nullptr, 2, "ac"},
        {"abcb", "b", "", 2, "ac"},
        {"aa", "a", "aa", 2, "aaaa"},  // no match inside inserted text
        {"abc", "x", "y", 0, "abc"},
        {B("ab\0ab", 5), "ab", "xyz", 2, B("xyz\0xyz", 7)},
        {B("\0ab", 3), "ab", "X", 1, B("\0X", 2)},
        {B("ab\0", 3), "ab", "xyz", 1, B("xyz\0", 4)},
        {B("a\0\0a", 4), "a", "bc", 2, B("bc\0\0bc", 6)},
    };
    for (auto& c : cases) {
        QvString s = Make(c.text), other(s);
        EXPECT_EQ(c.count, s.Replace(c.oldText, c.newText)) << "on '" << c.text << "'";
        EXPECT_EQ(c.expected, Bytes(s)) << "on '" << c.text << "'";
        EXPECT_EQ('\0', s.GetAt(s.GetLength()));
        EXPECT_EQ(c.text, Bytes(other));
        if (c.count == 0) {
            EXPECT_EQ(Probe::Of(other), Probe::Of(s));
        }
    }

    // Exact growth without room; no allocation at all with room or when shrinking.
    QvString tight = Make(B("ab\0ab", 5));
    {
        AllocScope scope;
        tight.Replace("ab", "xyz");
        EXPECT_EQ(1, scope.Allocs());
        EXPECT_EQ(kHeader + 8, scope.Bytes());
    }
    EXPECT_EQ(7, tight.GetAllocLength());
    QvString roomy = WithRoom(B("ab\0ab", 5), 20), shrink("aaaa");
    QvStringData* d = Probe::Of(roomy);
    {
        AllocScope scope;
        EXPECT_EQ(2, roomy.Replace("ab", "xyz"));
        EXPECT_EQ(2, shrink.Replace("aa", "b"));
        EXPECT_EQ(0, scope.Allocs());
    }
    EXPECT_EQ(B("xyz\0xyz", 7), Bytes(roomy));
    EXPECT_EQ(d, Probe::Of(roomy));
    EXPECT_EQ(4, shrink.GetAllocLength());
}

TEST(StringReplace, NoCaseFoldsOnlyAsciiLetters) {
    QvString s("aBcAb"), other(s);
    EXPECT_EQ(2, s.ReplaceNoCase("AB", "x"));
    EXPECT_EQ("xcx", Bytes(s));
    EXPECT_EQ("aBcAb", Bytes(other));

    QvString u("\xE4");
    EXPECT_EQ(0, u.ReplaceNoCase("\xC4", "x"));
    EXPECT_EQ(0, u.ReplaceNoCase(kNull, "x"));
    QvString z = Make(B("Ab\0aB", 5));
    EXPECT_EQ(2, z.ReplaceNoCase("ab", "Q"));
    EXPECT_EQ(B("Q\0Q", 3), Bytes(z));
    QvString d("AbcB");
    EXPECT_EQ(2, d.ReplaceNoCase("b", kNull));
    EXPECT_EQ("Ac", Bytes(d));
    QvString g("aA");
    EXPECT_EQ(2, g.ReplaceNoCase("a", "AA"));
    EXPECT_EQ("AAAA", Bytes(g));
}

TEST(StringRemove, WholeLengthIncludingZeroBytes) {
    QvString s("hello"), other(s);
    EXPECT_EQ(2, s.Remove('l'));
    EXPECT_EQ("heo", Bytes(s));
    EXPECT_EQ("hello", Bytes(other));
    EXPECT_EQ(0, s.Remove('z'));
    EXPECT_EQ("heo", Bytes(s));

    QvString z = Make(B("a\0b\0", 4));
    EXPECT_EQ(2, z.Remove('\0'));
    EXPECT_EQ("ab", Bytes(z));
    QvString y = Make(B("la\0l", 4));
    EXPECT_EQ(2, y.Remove('l'));
    EXPECT_EQ(B("a\0", 2), Bytes(y));
    EXPECT_EQ('\0', y.GetAt(2));
}

// Every editing member must leave the other holders of a shared block alone.
TEST(StringEdit, EditingACopyLeavesTheOriginal) {
    struct Case {
        const char* text;
        std::function<void(QvString&)> op;
    } cases[] = {
        {"ab", [](QvString& s) { s.MakeUpper(); }},
        {"AB", [](QvString& s) { s.MakeLower(); }},
        {"ab", [](QvString& s) { s.MakeReverse(); }},
        {"\xF6", [](QvString& s) { s.CharToOemA(); }},
        {"\x94", [](QvString& s) { s.OemToCharA(); }},
        {" a", [](QvString& s) { s.TrimLeft(); }},
        {"xa", [](QvString& s) { s.TrimLeft('x'); }},
        {"xa", [](QvString& s) { s.TrimLeft("x"); }},
        {"a ", [](QvString& s) { s.TrimRight(); }},
        {"ax", [](QvString& s) { s.TrimRight('x'); }},
        {"ax", [](QvString& s) { s.TrimRight("x"); }},
        {"a", [](QvString& s) { s.Insert(0, 'y'); }},
        {"a", [](QvString& s) { s.Insert(1, "yz"); }},
        {"ab", [](QvString& s) { s.Delete(0, 1); }},
        {"ab", [](QvString& s) { s.Replace('a', 'c'); }},
        {"ab", [](QvString& s) { s.Replace("a", "c"); }},
        {"ab", [](QvString& s) { s.Replace("ab", "cde"); }},
        {"ab", [](QvString& s) { s.ReplaceNoCase("A", "c"); }},
        {"ab", [](QvString& s) { s.Remove('a'); }},
    };
    for (auto& c : cases) {
        QvString a(c.text), b(a);
        c.op(b);
        EXPECT_EQ(c.text, Bytes(a));
        EXPECT_NE(c.text, Bytes(b)) << "on '" << c.text << "'";
        EXPECT_EQ(1, RefCount(a)) << "on '" << c.text << "'";
    }
}

// A string may keep a block of its own at length 0 (after trimming, say).
// Every writer on a copy that shares such a block must leave the copy valid
// without writing into the read-only shared empty block.
TEST(StringEdit, WritersOnACopyOfAZeroLengthBlock) {
    for (const ZeroLengthWriter& c : kZeroLengthWriters) {
        AllocScope scope;
        {
            QvString a("   ");
            a.TrimRight();
            QvStringData* own = Probe::Of(a);
            ASSERT_NE(EmptyBlock(), own);
            ASSERT_EQ(0, a.GetLength());
            QvString b(a);
            c.op(b);
            EXPECT_EQ(c.expected, Bytes(b)) << c.name;
            EXPECT_EQ('\0', static_cast<const char*>(b)[b.GetLength()]) << c.name;
            EXPECT_NE(own, Probe::Of(b)) << c.name;
            EXPECT_EQ(own, Probe::Of(a)) << c.name;
            EXPECT_EQ(1, RefCount(a)) << c.name;
            b += "!";
            EXPECT_EQ(std::string(c.expected) + "!", Bytes(b)) << c.name;
        }
        EXPECT_EQ(0, scope.Live()) << c.name;
    }
    EXPECT_EQ(-2, EmptyBlock()->refCount);
    EXPECT_EQ(0, EmptyBlock()->length);
    EXPECT_EQ('\0', EmptyBlock()->chars()[0]);
}

// A failed allocation in the middle of an edit throws and leaves a string
// that still keeps its invariants; those that allocate before they change
// anything keep their old text.
TEST(StringEdit, AllocationFailureLeavesUsableStrings) {
    struct Case {
        const char* text;
        std::function<void(QvString&)> op;
        const char* expected;
        bool keepsOldText;
    } cases[] = {
        {"abcab", [](QvString& s) { s.Insert(2, "xyz"); }, "abxyzcab", true},
        {"abcab", [](QvString& s) { s.Insert(0, 'x'); }, "xabcab", true},
        {"abcab", [](QvString& s) { s.Replace("ab", "xyz"); }, "xyzcxyz", true},
        {"abcab", [](QvString& s) { s.Remove('a'); }, "bcb", true},
        {"abcab", [](QvString& s) { s.MakeUpper(); }, "ABCAB", true},
        {"abcab", [](QvString& s) { s = s.Mid(1, 3); }, "bca", true},
        {"aBcAb", [](QvString& s) { s.ReplaceNoCase("ab", "xyz"); }, "xyzcxyz", false},
    };
    for (auto& c : cases) {
        bool finished = false;
        for (int nth = 1; nth < 50 && !finished; ++nth) {
            // Outcome of one run, gathered without the test framework so the
            // leak window holds nothing but the strings.
            bool thrown = false, sourceKept, consistent, resultOk, usable;
            long long live;
            {
                AllocScope scope;
                {
                    QvString a(c.text), b(a);
                    alloc_counter::FailNth(nth);
                    try {
                        c.op(b);
                    } catch (const std::bad_alloc&) {
                        thrown = true;
                    }
                    finished = alloc_counter::FailurePending();  // needed fewer allocations
                    alloc_counter::CancelFailure();
                    sourceKept = Bytes(a) == c.text;
                    consistent = b.GetLength() <= b.GetAllocLength() && b.GetAt(b.GetLength()) == '\0';
                    resultOk = !thrown ? Bytes(b) == c.expected : !c.keepsOldText || Bytes(b) == c.text;
                    b += "!";
                    usable = b.GetAt(b.GetLength() - 1) == '!';
                }
                live = scope.Live();
            }
            EXPECT_TRUE(thrown || finished) << c.expected << ": allocation " << nth << " failed silently";
            EXPECT_TRUE(sourceKept) << c.expected << ", failing allocation " << nth;
            EXPECT_TRUE(consistent) << c.expected << ", failing allocation " << nth;
            EXPECT_TRUE(resultOk) << c.expected << ", failing allocation " << nth;
            EXPECT_TRUE(usable) << c.expected << ", failing allocation " << nth;
            EXPECT_EQ(0, live) << c.expected << ", failing allocation " << nth;
            finished = finished || !thrown;
        }
        EXPECT_TRUE(finished) << c.expected;
    }
}
