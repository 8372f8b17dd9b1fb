// The client's own words in the user's language, as the Windows client prints them: English, or
// Japanese in code page 932 (what a Japanese PC's console and redirected logs use). Lines whose
// Japanese form nobody has seen ("Invalid command.", "Login failed.", ...) stay English.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ftpclient {

enum class Language { kEnglish, kJapanese };

// "en" or "ja", as a test names the language it wants.
std::optional<Language> ParseLanguageName(std::string_view name);
// The language the Windows client would speak for a user interface language (a LANGID).
Language LanguageOfUiLanguage(std::uint16_t langId);

std::string ConnectedLine(Language language, const std::string& host);
std::string UserPrompt(Language language, const std::string& host);
std::string PasswordPrompt(Language language);
// "ftp: 12 bytes sent in 0.01Seconds 1.20Kbytes/sec." or its Japanese form, after an upload.
std::string FormatSentStatistics(Language language, std::uint64_t bytes, std::uint64_t milliseconds);

}  // namespace ftpclient
