// Text conversions between UTF-8, UTF-16 and the 8-bit encodings.
#include <gtest/gtest.h>

#include "common/TextCodec.h"

TEST(TextCodec, Utf8AndUtf16BothWays) {
    const std::string text = "V KΩ ℃ \u00b5A \U0001F600 end";
    const std::u16string units = Utf8ToUtf16(text);
    EXPECT_EQ(units, u"V KΩ ℃ \u00b5A \U0001F600 end");
    EXPECT_EQ(Utf16ToUtf8(units), text);

    // unpaired surrogates (low first, lone high at the end) become U+FFFD
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, u'a', 0xD800}),
              "\uFFFD"
              "a"
              "\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, 0xD800, 0xDC00}), "\uFFFD\U00010000");
}

TEST(TextCodec, MalformedUtf8BecomesReplacementCharacters) {
    const std::u16string r(1, 0xFFFD);
    EXPECT_EQ(Utf8ToUtf16("\x80"), r);                          // lone continuation
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), r + r);                  // overlong "/"
    EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF"), r + r + r);          // overlong, three bytes
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), r + r + r);          // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), r + r + r + r);  // above U+10FFFF
    EXPECT_EQ(Utf8ToUtf16("a\xE2\x84"), u"a" + r + r);          // cut at the end
    EXPECT_EQ(Utf8ToUtf16("\xE2(b"), r + u"(b");                // the next character survives
    EXPECT_EQ(Utf8ToUtf16(std::string("\0x", 2)), std::u16string(u"\0x", 2));
}

TEST(TextCodec, Latin1AndExportText) {
    EXPECT_EQ(Latin1ToUtf8("\xB0"
                           "C \xB5"
                           "A \xFF"),
              "°C µA ÿ");
    EXPECT_EQ(Utf8ToExportText("°C µA ÿ"),
              "\xB0"
              "C \xB5"
              "A \xFF");
    EXPECT_EQ(Utf8ToExportText("KΩ MΩ Ω"), "KOhm MOhm Ohm");
    EXPECT_EQ(Utf8ToExportText("℃℉€\xFF"),
              "\xB0"
              "C\xB0"
              "F??");
}
