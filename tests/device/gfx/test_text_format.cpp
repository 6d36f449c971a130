// Fitting numbers into fields with format_fixed and its variant.
#include <string>

#include "device/device_fixture.h"
#include "device/gfx/text.h"

namespace {

struct Case {
    float value;
    uint8_t max_len, decimals, pad;
    const char* expected;
};

class FormatTest : public DeviceTest {};

TEST_F(FormatTest, FitsTheField) {
    const Case cases[] = {
        {123.456f, 5, 2, 0, "123.5"},                            // one decimal dropped
        {123.456f, 6, 2, 0, "123.46"},                           // fits as asked
        {123.456f, 2, 2, 0, "99"},                               // too large even without decimals
        {123.456f, 3, 2, 0, "123"},    {-0.04f, 5, 1, 0, "0.0"}, // no minus sign on a zero result
        {-0.06f, 5, 1, 0, "0.0"}, // truncated, not rounded, to decide
        {-0.16f, 5, 1, 0, "-0.2"},     {-1.26f, 3, 1, 0, "-1"},
        {-1234.0f, 3, 0, 0, "999"},                           // the largest number of three digits
        {5.0f, 3, 2, 0, "5.0"},        {7.0f, 8, 0, 0, " 7"}, // minimum width decimals + 2
        {3.14159f, 6, 2, 6, "003.14"},                        // zero-padded
        {3.14159f, 5, 2, 6, "99999"}, // the padding alone is wider than the field
        {1e9f, 8, 0, 0, "99999999"},  // eight nines, not 100000000
        {1e9f, 0, 0, 0, "0"},
    };
    for (const Case& c : cases) {
        format_fixed(c.value, c.max_len, c.decimals, c.pad);
        EXPECT_EQ(std::string(text_shared_buffer()), c.expected)
            << c.value << " max " << int(c.max_len) << " decimals " << int(c.decimals) << " pad "
            << int(c.pad);
        format_fixed_nul(c.value, c.max_len, c.decimals, c.pad);
        EXPECT_EQ(std::string(text_shared_buffer()), c.expected) << "variant, " << c.value;
    }
}

TEST_F(FormatTest, HugeWidthsStayInsideTheBuffer) {
    format_fixed(1.0f, 255, 255, 255);
    EXPECT_EQ(std::string(text_shared_buffer()).size(), size_t{TEXT_BUFFER_SIZE - 1});
    format_fixed(-3e38f, 255, 0, 0);
    EXPECT_EQ(text_shared_buffer()[0], '-');
    format_fixed(1e38f, 4, 250, 0);
    EXPECT_EQ(std::string(text_shared_buffer()), "9999");
}

} // namespace
