#include "hostsim/core/cl_parser.h"

#include "hostsim/core/text.h"

namespace hostsim {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsWordChar(char c) { return !IsBlank(c) && c != '(' && c != ')' && c != '\''; }

// Position just after the quoted string that starts at open, or npos when it does not end.
// Two quotes inside stand for one.
std::size_t SkipQuoted(std::string_view text, std::size_t open) {
  for (std::size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] != '\'') continue;
    if (i + 1 < text.size() && text[i + 1] == '\'') {
      ++i;
      continue;
    }
    return i + 1;
  }
  return std::string_view::npos;
}

// Position just after the parenthesis that closes the one at open, or npos.
std::size_t SkipParenthesised(std::string_view text, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < text.size(); ++i) {
    if (text[i] == '\'') {
      i = SkipQuoted(text, i);
      if (i == std::string_view::npos) return i;
      --i;
    } else if (text[i] == '(') {
      ++depth;
    } else if (text[i] == ')' && --depth == 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

std::string Unquote(std::string_view quoted) {
  std::string text;
  for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
    text += quoted[i];
    if (quoted[i] == '\'') ++i;  // a doubled quote
  }
  return text;
}

ClParseResult Error(const char* id, std::string message) {
  ClParseResult result;
  result.messageId = id;
  result.message = std::move(message);
  return result;
}

}  // namespace

std::optional<std::vector<ClValue>> SplitElements(std::string_view text) {
  std::vector<ClValue> elements;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) return elements;
    std::size_t end = i;
    if (text[i] == '\'') {
      end = SkipQuoted(text, i);
      if (end == std::string_view::npos) return std::nullopt;
      elements.push_back({Unquote(text.substr(i, end - i)), true});
    } else if (text[i] == '(') {
      end = SkipParenthesised(text, i);
      if (end == std::string_view::npos) return std::nullopt;
      elements.push_back({ToUpper(std::string(text.substr(i, end - i))), false});
    } else if (text[i] == ')') {
      return std::nullopt;
    } else {
      while (end < text.size() && IsWordChar(text[end])) ++end;
      elements.push_back({ToUpper(std::string(text.substr(i, end - i))), false});
    }
    i = end;
  }
}

ClParseResult ParseClCommand(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::size_t end = i;
  while (end < text.size() && IsWordChar(text[end])) ++end;
  if (end == i) return Error("CPD0020", "Command name missing.");
  ClParseResult result;
  std::string name = ToUpper(std::string(text.substr(i, end - i)));
  const std::size_t slash = name.rfind('/');
  result.command.name = slash == std::string::npos ? name : name.substr(slash + 1);
  for (i = end;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    end = i;
    while (end < text.size() && IsWordChar(text[end])) ++end;
    ClParameter parameter;
    std::string_view value;
    if (end > i && end < text.size() && text[end] == '(') {
      parameter.keyword = ToUpper(std::string(text.substr(i, end - i)));
      const std::size_t close = SkipParenthesised(text, end);
      if (close == std::string_view::npos) return Error("CPD0013", "A matching parenthesis not found.");
      value = text.substr(end + 1, close - end - 2);
      i = close;
    } else {
      const std::size_t close = text[i] == '\''  ? SkipQuoted(text, i)
                                : text[i] == '(' ? SkipParenthesised(text, i)
                                                 : end;
      if (close == std::string_view::npos || close == i) {
        return Error("CPD0013", "A matching parenthesis or quote not found.");
      }
      value = text.substr(i, close - i);
      i = close;
    }
    std::optional<std::vector<ClValue>> elements = SplitElements(value);
    if (!elements) return Error("CPD0013", "A matching parenthesis or quote not found.");
    parameter.elements = std::move(*elements);
    result.command.parameters.push_back(std::move(parameter));
  }
  result.ok = true;
  return result;
}

}  // namespace hostsim
