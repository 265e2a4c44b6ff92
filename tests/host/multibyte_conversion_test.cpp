// Multibyte names converted to UTF-16 under the process's character-type locale, with the contract
// of mbstowcs_s in truncating mode.
#include "host/multibyte_conversion.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#endif

namespace {

constexpr char16_t kUntouched = u'\xFFFF';

// Every test leaves the process's character-type locale as it found it.
class MultibyteConversionTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = std::setlocale(LC_CTYPE, nullptr); }
  void TearDown() override { std::setlocale(LC_CTYPE, saved_.c_str()); }

  struct Result {
    int status = -1;
    std::size_t unitsWritten = 12345;
    std::u16string text;
  };

  // Converts into a buffer of `bufferUnits` units inside a larger array, and checks that nothing
  // beyond the buffer was written.
  static Result Convert(const char* text, std::size_t bufferUnits) {
    std::array<char16_t, 64> storage;
    storage.fill(kUntouched);
    Result result;
    result.status = mq::MultibyteToUtf16(&result.unitsWritten, storage.data(), bufferUnits, text);
    for (std::size_t i = bufferUnits; i < storage.size(); ++i) {
      EXPECT_EQ(storage[i], kUntouched) << "written beyond the buffer at " << i;
    }
    const auto end = std::char_traits<char16_t>::find(storage.data(), bufferUnits, u'\0');
    EXPECT_NE(end, nullptr) << "the buffer is not terminated";
    if (end != nullptr)
      result.text.assign(storage.data(), static_cast<std::size_t>(end - storage.data()));
    return result;
  }

 private:
  std::string saved_;
};

TEST_F(MultibyteConversionTest, ConvertsPlainTextWithItsTerminator) {
  const Result result = Convert("Body", 9);
  EXPECT_EQ(result.status, mq::kConverted);
  EXPECT_EQ(result.text, u"Body");
  EXPECT_EQ(result.unitsWritten, 5u);
}

TEST_F(MultibyteConversionTest, EmptyTextGivesAnEmptyString) {
  const Result result = Convert("", 1);
  EXPECT_EQ(result.status, mq::kConverted);
  EXPECT_EQ(result.text, u"");
  EXPECT_EQ(result.unitsWritten, 1u);
}

TEST_F(MultibyteConversionTest, StopsAtTheFirstNull) {
  const char text[] = "ab\0cd";
  const Result result = Convert(text, 11);
  EXPECT_EQ(result.status, mq::kConverted);
  EXPECT_EQ(result.text, u"ab");
  EXPECT_EQ(result.unitsWritten, 3u);
}

TEST_F(MultibyteConversionTest, ABufferOfExactlyTheTextAndItsTerminatorHoldsItWhole) {
  const Result result = Convert("abc", 4);
  EXPECT_EQ(result.status, mq::kConverted);
  EXPECT_EQ(result.text, u"abc");
}

TEST_F(MultibyteConversionTest, TruncatesLeavingRoomForTheTerminator) {
  const Result result = Convert("abcdef", 4);
  EXPECT_EQ(result.status, mq::kTruncated);
  EXPECT_EQ(result.text, u"abc");
  EXPECT_EQ(result.unitsWritten, 4u);
}

TEST_F(MultibyteConversionTest, RefusesAMissingBufferOrText) {
  std::size_t unitsWritten = 7;
  EXPECT_EQ(mq::MultibyteToUtf16(&unitsWritten, nullptr, 4, "a"), mq::kInvalidArgument);
  EXPECT_EQ(unitsWritten, 0u);

  char16_t buffer[2] = {kUntouched, kUntouched};
  EXPECT_EQ(mq::MultibyteToUtf16(&unitsWritten, buffer, 0, "a"), mq::kInvalidArgument);
  EXPECT_EQ(buffer[0], kUntouched) << "a buffer of no units is never written";

  unitsWritten = 7;
  EXPECT_EQ(mq::MultibyteToUtf16(&unitsWritten, buffer, 2, nullptr), mq::kInvalidArgument);
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(unitsWritten, 0u);
}

TEST_F(MultibyteConversionTest, TheUnitCountIsOptional) {
  char16_t buffer[4] = {};
  EXPECT_EQ(mq::MultibyteToUtf16(nullptr, buffer, 4, "ok"), mq::kConverted);
  EXPECT_EQ(std::u16string(buffer), u"ok");
}

#ifndef _WIN32

// The replacement for mbstowcs_s, under a UTF-8 locale.
class Utf8ConversionTest : public MultibyteConversionTest {
 protected:
  void SetUp() override {
    MultibyteConversionTest::SetUp();
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr) << "C.UTF-8 is not available";
  }
};

TEST_F(Utf8ConversionTest, ConvertsEveryCharacterToItsUtf16Unit) {
  const Result result = Convert("Body\xE3\x83\xA2\xE3\x83\xBC\xE3\x83\x95-\xC3\xA9", 25);
  EXPECT_EQ(result.status, mq::kConverted);
  EXPECT_EQ(result.text, u"Body\u30E2\u30FC\u30D5-\u00E9");
  EXPECT_EQ(result.unitsWritten, 10u);
}

TEST_F(Utf8ConversionTest, CharactersBeyondTheBasicPlaneBecomeSurrogatePairs) {
  const Result result = Convert("a\xF0\x9F\x98\x80z", 13);
  EXPECT_EQ(result.status, mq::kConverted);
  EXPECT_EQ(result.text, u"a\xD83D\xDE00z");
  EXPECT_EQ(result.unitsWritten, 5u);
}

TEST_F(Utf8ConversionTest, TruncationNeverSplitsASurrogatePair) {
  const Result result = Convert("a\xF0\x9F\x98\x80z", 3);
  EXPECT_EQ(result.status, mq::kTruncated);
  EXPECT_EQ(result.text, u"a");
  EXPECT_EQ(result.unitsWritten, 2u);
}

TEST_F(Utf8ConversionTest, TruncationKeepsWholeCharacters) {
  const Result result = Convert("\xE3\x83\xA2\xE3\x83\xBC\xE3\x83\x95", 3);
  EXPECT_EQ(result.status, mq::kTruncated);
  EXPECT_EQ(result.text, u"\u30E2\u30FC");
}

TEST_F(Utf8ConversionTest, InvalidTextIsReportedWithAnEmptyResult) {
  for (const char* text :
       {"\xFF", "abc\x83", "ab\xE3\x83", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC0\xAF"}) {
    const Result result = Convert(text, 9);
    EXPECT_EQ(result.status, mq::kInvalidText) << text;
    EXPECT_EQ(result.text, u"") << text;
    EXPECT_EQ(result.unitsWritten, 0u) << text;
  }
}

TEST_F(Utf8ConversionTest, TwiceTheByteCountAndOneAlwaysHoldsTheWholeText) {
  for (const char* text :
       {"a", "\xC3\xA9", "\xE3\x83\xA2", "\xF0\x9F\x98\x80", "x\xF0\x9F\x98\x80"}) {
    const Result result = Convert(text, 2 * std::strlen(text) + 1);
    EXPECT_EQ(result.status, mq::kConverted) << text;
  }
}

// The user's default locale, as the environment names it.
class UserDefaultLocaleTest : public MultibyteConversionTest {
 protected:
  void SetUp() override {
    MultibyteConversionTest::SetUp();
    const char* saved = std::getenv("LC_ALL");
    if (saved != nullptr) savedLcAll_ = saved;
  }
  void TearDown() override {
    if (savedLcAll_) {
      setenv("LC_ALL", savedLcAll_->c_str(), 1);
    } else {
      unsetenv("LC_ALL");
    }
    MultibyteConversionTest::TearDown();
  }

 private:
  std::optional<std::string> savedLcAll_;
};

TEST_F(UserDefaultLocaleTest, ConversionsFollowTheUsersDefaultLocale) {
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  setenv("LC_ALL", "C.UTF-8", 1);
  ASSERT_TRUE(mq::UseUserDefaultCharacterLocale());
  const Result result = Convert("caf\xC3\xA9", 11);
  EXPECT_EQ(result.status, mq::kConverted);
  EXPECT_EQ(result.text, u"caf\u00E9");
}

TEST_F(UserDefaultLocaleTest, AnUnknownUserLocaleLeavesTheCategoryAsItWas) {
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  setenv("LC_ALL", "xx_XX.no-such-encoding", 1);
  EXPECT_FALSE(mq::UseUserDefaultCharacterLocale());
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.UTF-8");
}

#endif

// A Japanese name in the user's default encoding, when the user's default locale is Japanese:
// Shift-JIS under code page 932, UTF-8 under a UTF-8 locale. "モーフソ" ends in a character whose
// second Shift-JIS byte is the backslash.
std::optional<std::string> JapaneseNameInUserEncoding() {
  const char* locale = std::setlocale(LC_CTYPE, nullptr);
  if (locale == nullptr) return std::nullopt;
#ifdef _WIN32
  if (std::strstr(locale, ".932") == nullptr) return std::nullopt;
  return std::string("\x83\x82\x81\x5B\x83\x74\x83\x5C");
#else
  if (std::strncmp(locale, "ja_JP", 5) != 0 || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
    return std::nullopt;
  }
  return std::string("\xE3\x83\xA2\xE3\x83\xBC\xE3\x83\x95\xE3\x82\xBD");
#endif
}

// Run with a Japanese user locale (LC_ALL=ja_JP.UTF-8, which Wine turns into code page 932);
// PALISOR_REQUIRE_JAPANESE_LOCALE makes a run under any other locale fail instead of skip.
class JapaneseUserLocaleTest : public MultibyteConversionTest {
 protected:
  void SetUp() override {
    MultibyteConversionTest::SetUp();
    ASSERT_TRUE(mq::UseUserDefaultCharacterLocale());
    name_ = JapaneseNameInUserEncoding();
    if (!name_) {
      const std::string locale = std::setlocale(LC_CTYPE, nullptr);
      if (std::getenv("PALISOR_REQUIRE_JAPANESE_LOCALE") != nullptr) {
        FAIL() << "the user's default locale is " << locale << ", not Japanese";
      }
      GTEST_SKIP() << "the user's default locale is " << locale << ", not Japanese";
    }
  }

  std::optional<std::string> name_;
};

TEST_F(JapaneseUserLocaleTest, ANameInTheUserEncodingReachesUtf16) {
  const Result result = Convert(name_->c_str(), 2 * name_->size() + 1);
  EXPECT_EQ(result.status, mq::kConverted);
  EXPECT_EQ(result.text, u"\u30E2\u30FC\u30D5\u30BD");
  EXPECT_EQ(result.unitsWritten, 5u);
}

TEST_F(JapaneseUserLocaleTest, AMultibyteCharacterCutOffAtTheEndIsInvalid) {
  // 0x83 begins a two-byte character in Shift-JIS and continues one in UTF-8; alone it is neither.
  const std::string text = *name_ + "\x83";
  const Result result = Convert(text.c_str(), 2 * text.size() + 1);
  EXPECT_EQ(result.status, mq::kInvalidText);
  EXPECT_EQ(result.text, u"");
  EXPECT_EQ(result.unitsWritten, 0u);
}

#ifdef _WIN32
TEST_F(JapaneseUserLocaleTest, ALeadByteFollowedByNoTrailByteIsInvalid) {
  const Result result = Convert("\x81\x20name", 13);
  EXPECT_EQ(result.status, mq::kInvalidText);
  EXPECT_EQ(result.text, u"");
}
#endif

}  // namespace
