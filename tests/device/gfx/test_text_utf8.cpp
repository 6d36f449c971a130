// The UTF-8 decoder: one code point per call, "?" per malformed sequence,
// and the remembered position.
#include <string>
#include <vector>

#include "device/device_fixture.h"
#include "device/gfx/text.h"

namespace {

/* All code points of a string, up to the terminating NUL. */
std::vector<uint32_t> decode_all(const char* text) {
    std::vector<uint32_t> out;
    const char* p = text;
    int status = UTF8_OK;
    for (int guard = 0; guard < 100; ++guard) {
        const uint32_t cp = text_utf8_next(p, &p, &status);
        if (status != UTF8_OK) break;
        out.push_back(cp);
    }
    EXPECT_EQ(status, UTF8_END) << text;
    return out;
}

struct Case {
    const char* name;
    const char* bytes;
    std::vector<uint32_t> expected;
};

class Utf8Test : public DeviceTest {};

TEST_F(Utf8Test, DecodesAsTable) {
    const Case cases[] = {
        {"one byte", "Az", {'A', 'z'}},
        {"two bytes", "\xC3\xA9", {0xE9}},
        {"three bytes", "\xE2\x82\xAC", {0x20AC}},
        {"four bytes", "\xF0\x9F\x98\x80", {0x1F600}},
        {"highest four-byte lead", "\xF4\x8F\xBF\xBF", {0x10FFFF}},
        {"overlong three-byte form passes", "\xE0\x81\x81", {0x41}},
        {"surrogate passes", "\xED\xA0\x80", {0xD800}},
        {"A, invalid lead, B", "\x41\xFF\x42", {'A', '?', 'B'}},
        {"stray continuation", "\x80Z", {'?', 'Z'}},
        {"invalid lead skips following strays", "\xC0\xAF\xBFZ", {'?', 'Z'}},
        {"strays stop at a valid lead", "\xF5\xFE\xC3\xA9", {'?', 0xE9}},
        {"bad continuation is consumed", "\xC3(A", {'?', 'A'}},
        {"bad continuation then strays", "\xC3\xC3\xA9!", {'?', '!'}},
        {"bad third byte", "\xE2\x82Z!", {'?', '!'}},
        {"bad fourth byte", "\xF0\x9F\x98Z!", {'?', '!'}},
        {"cut two-byte", "1\xC3", {'1', '?'}},
        {"cut three-byte", "1\xE2\x82", {'1', '?'}},
        {"cut four-byte", "\xF0\x9F\x98", {'?'}},
        {"empty", "", {}},
        {"NUL ends the string", "A\0B", {'A'}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decode_all(c.bytes), c.expected) << c.name;
}

TEST_F(Utf8Test, AnotherPositionWhileAStringIsUnfinishedEndsIt) {
    const char* first = "abc";
    const char* second = "xyz";
    const char* next = nullptr;
    int status = UTF8_OK;
    EXPECT_EQ(text_utf8_next(first, &next, &status), uint32_t{'a'});
    EXPECT_EQ(next, first + 1);
    EXPECT_EQ(text_utf8_next(second, &next, &status), 0u);
    EXPECT_EQ(status, UTF8_MISMATCH);
    // That decoding is over: the other string now starts afresh.
    EXPECT_EQ(text_utf8_next(second, &next, &status), uint32_t{'x'});
    EXPECT_EQ(status, UTF8_OK);
}

TEST_F(Utf8Test, NoPositionResetsAndAFinishedStringIsForgotten) {
    const char* next = nullptr;
    int status = UTF8_OK;
    text_utf8_next("abc", &next, &status);
    text_utf8_next(nullptr, &next, &status);
    EXPECT_EQ(status, UTF8_END);
    EXPECT_EQ(text_utf8_next("q", &next, &status), uint32_t{'q'});
    EXPECT_EQ(text_utf8_next(next, &next, &status), 0u); // the NUL
    EXPECT_EQ(status, UTF8_END);
    EXPECT_EQ(text_utf8_next("r", &next, &status), uint32_t{'r'});
    EXPECT_EQ(status, UTF8_OK);
}

} // namespace
