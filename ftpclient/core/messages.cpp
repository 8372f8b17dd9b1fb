#include "ftpclient/core/messages.h"

#include <algorithm>
#include <cstdio>

namespace ftpclient {

namespace {

constexpr std::uint16_t kPrimaryLanguageMask = 0x3FF;
constexpr std::uint16_t kJapanesePrimaryLanguage = 0x11;

// Code page 932 bytes; the Japanese in the comments is what they show.
const char kConnectedSuffixJa[] =
    " \x82\xC9\x90\xDA\x91\xB1\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";        // " に接続しました。"
const char kUserJa[] = "\x83\x86\x81\x5B\x83\x55\x81\x5B";                      // "ユーザー"
const char kPasswordPromptJa[] = "\x83\x70\x83\x58\x83\x8F\x81\x5B\x83\x68: ";  // "パスワード: "
// "ftp: %llu バイトが送信されました %.2f秒 %.2fKB/秒。"
const char kSentFormatJa[] =
    "ftp: %llu \x83\x6F\x83\x43\x83\x67\x82\xAA\x91\x97\x90\x4D\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD "
    "%.2f\x95\x62 %.2fKB/\x95\x62\x81\x42";
const char kSentFormatEn[] = "ftp: %llu bytes sent in %.2fSeconds %.2fKbytes/sec.";

}  // namespace

std::optional<Language> ParseLanguageName(std::string_view name) {
  if (name == "en") return Language::kEnglish;
  if (name == "ja") return Language::kJapanese;
  return std::nullopt;
}

Language LanguageOfUiLanguage(std::uint16_t langId) {
  return (langId & kPrimaryLanguageMask) == kJapanesePrimaryLanguage ? Language::kJapanese : Language::kEnglish;
}

std::string ConnectedLine(Language language, const std::string& host) {
  return language == Language::kJapanese ? host + kConnectedSuffixJa : "Connected to " + host + ".";
}

std::string UserPrompt(Language language, const std::string& host) {
  return std::string(language == Language::kJapanese ? kUserJa : "User") + " (" + host + ":(none)): ";
}

std::string PasswordPrompt(Language language) {
  return language == Language::kJapanese ? kPasswordPromptJa : "Password:";
}

std::string FormatSentStatistics(Language language, std::uint64_t bytes, std::uint64_t milliseconds) {
  // A transfer faster than the clock's resolution counts as one millisecond, as the Windows
  // client reports a rate rather than a division by zero.
  double seconds = static_cast<double>(milliseconds) / 1000.0;
  double rate = static_cast<double>(bytes) / static_cast<double>(std::max<std::uint64_t>(milliseconds, 1));
  char text[160];
  std::snprintf(text, sizeof text, language == Language::kJapanese ? kSentFormatJa : kSentFormatEn,
                static_cast<unsigned long long>(bytes), seconds, rate);
  return text;
}

}  // namespace ftpclient
