#include "uidriver/scenario.h"

#include <map>

#include "uidriver/values.h"

namespace uidriver {
namespace {

// What each step takes. Kinds: n name, t text, r control (id, "control" name or self), b yes/no,
// i integer, e selection end, s seconds, a address, k key, u button, c icon, p pointer shape,
// o owner (window name or none), d a control id as a number, q per cent (0 to 100). A trailing ? makes the last
// argument optional, a trailing + lets it repeat.
struct StepRule {
  const char* verb;
  const char* arguments;
  bool waits;  // polls until its condition holds, so it takes "within SECONDS"
};

constexpr StepRule kRules[] = {
    {"start", "n?", false},
    {"start-in", "n t", false},
    {"start-with", "n t t?", false},
    {"kill", "n?", false},
    {"use", "n", false},
    {"expect-exit", "i", true},
    {"expect-windowless-exit", "i", true},
    {"expect-running", "", false},
    {"window", "n t", true},
    {"msgbox", "t", true},
    {"msgbox-like", "t", true},
    {"select", "n", false},
    {"expect-closed", "n?", true},
    {"expect-no-window", "t", true},
    {"expect-windows", "i", true},
    {"expect-centred", "n", true},
    {"expect-title", "t", true},
    {"expect-text", "r t", true},
    {"expect-text-like", "r t", true},
    {"expect-enabled", "r b", true},
    {"expect-checked", "r b", true},
    {"expect-focus", "r", true},
    {"expect-selection", "r i e", true},
    {"expect-address", "r a", true},
    {"expect-foreground", "n?", true},
    {"expect-owner", "o", true},
    {"expect-owner-title", "t", true},
    {"expect-buttons", "u+", true},
    {"expect-default", "u", true},
    {"expect-icon", "c", true},
    {"expect-cursor", "r p", true},
    {"expect-progress", "r q q", true},
    {"expect-marquee", "r b", true},
    {"expect-absent", "t", true},
    {"expect-present", "t", true},
    {"set-address", "r a", false},
    {"set-text", "r t", false},
    {"type", "t", false},
    {"type-ansi", "t", false},
    {"key", "k+", false},
    {"click", "r", true},
    {"hover", "r", true},
    {"press", "u", true},
    {"screenshot", "n", false},
    {"sleep", "s", false},
    {"timeout", "s", false},
    {"make-folder", "t", false},
    {"delete-file", "t", false},
    {"setenv", "n t", false},
    {"unsetenv", "n", false},
    {"signal", "t i?", false},
    {"control", "n d", false},
    {"define", "n t", false},
    {"include", "t", false},
    {"log", "t", false},
};

constexpr int kMaxIncludeDepth = 8;

const StepRule* FindRule(const std::string& verb) {
  for (const auto& rule : kRules) {
    if (verb == rule.verb) return &rule;
  }
  return nullptr;
}

struct Word {
  std::string text;
  bool quoted = false;
};

bool SplitLine(const std::string& line, std::vector<Word>& words, std::string& error) {
  words.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      Word word{"", true};
      for (++i;; ++i) {
        if (i >= line.size()) {
          error = "a quoted text is not closed";
          return false;
        }
        if (line[i] == '"') break;
        if (line[i] != '\\') {
          word.text += line[i];
          continue;
        }
        if (++i >= line.size()) {
          error = "a quoted text ends in a backslash";
          return false;
        }
        switch (line[i]) {
          case 'n':
            word.text += '\n';
            break;
          case 't':
            word.text += '\t';
            break;
          case 'r':
            word.text += '\r';
            break;
          case '"':
            word.text += '"';
            break;
          case '\\':
            word.text += '\\';
            break;
          default:  // any other backslash stands for itself, as in a Windows path
            word.text += '\\';
            word.text += line[i];
        }
      }
      ++i;
      words.push_back(word);
    } else {
      Word word;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#') {
        if (line[i] == '"') {
          error = "a quote inside a word";
          return false;
        }
        word.text += line[i++];
      }
      words.push_back(word);
    }
  }
  return true;
}

bool IsAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '\\' || path[0] == '/')) || (path.size() > 1 && path[1] == ':');
}

class Parser {
 public:
  explicit Parser(const FileLoader& load) : load_(load) {}

  bool ParseFile(const std::string& fileName, int depth) {
    std::string text;
    if (!load_(fileName, text)) return Fail(fileName, 0, "cannot be read");
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      ++lineNumber;
      if (!ParseLine(fileName, lineNumber, text.substr(start, end - start), depth)) return false;
      start = end + 1;
    }
    return true;
  }

  Scenario result;

 private:
  bool Fail(const std::string& file, int line, const std::string& reason) {
    result.error = file + ":" + std::to_string(line) + ": " + reason;
    return false;
  }

  bool ParseLine(const std::string& file, int line, const std::string& text, int depth) {
    std::vector<Word> words;
    std::string error;
    if (!SplitLine(text, words, error)) return Fail(file, line, error);
    if (words.empty()) return true;
    Step step;
    step.file = file;
    step.line = line;
    step.verb = words[0].text;
    const StepRule* rule = words[0].quoted ? nullptr : FindRule(step.verb);
    if (rule == nullptr) return Fail(file, line, "unknown step \"" + step.verb + "\"");
    std::size_t count = words.size();
    if (count >= 3 && !words[count - 2].quoted && words[count - 2].text == "within") {
      if (!rule->waits) return Fail(file, line, step.verb + " does not wait, so it takes no \"within\"");
      if (!ParseSeconds(words[count - 1].text, step.timeoutSeconds)) return Fail(file, line, "bad time-out");
      count -= 2;
    }
    for (std::size_t i = 1; i < count; ++i) {
      if (!words[i].quoted && words[i].text.size() > 1 && words[i].text[0] == '@') {
        const auto found = texts_.find(words[i].text.substr(1));
        if (found == texts_.end()) return Fail(file, line, "no text defined as " + words[i].text);
        step.args.push_back(found->second);
      } else {
        step.args.push_back(words[i].text);
      }
    }
    if (!CheckArguments(*rule, step, error)) return Fail(file, line, error);
    return Apply(step, depth);
  }

  bool CheckArguments(const StepRule& rule, Step& step, std::string& error) {
    std::vector<std::string> kinds;
    bool optionalLast = false;
    bool repeatLast = false;
    for (const char* k = rule.arguments; *k != '\0'; ++k) {
      if (*k == ' ') continue;
      if (*k == '?') {
        optionalLast = true;
      } else if (*k == '+') {
        repeatLast = true;
      } else {
        kinds.push_back(std::string(1, *k));
      }
    }
    const std::size_t least = kinds.size() - (optionalLast ? 1 : 0);
    const bool tooFew = step.args.size() < least;
    const bool tooMany = !repeatLast && step.args.size() > kinds.size();
    if (tooFew || tooMany) {
      error = step.verb + " takes " + Describe(rule) + ", not " + std::to_string(step.args.size()) + " argument(s)";
      return false;
    }
    for (std::size_t i = 0; i < step.args.size(); ++i) {
      const char kind = kinds[i < kinds.size() ? i : kinds.size() - 1][0];
      if (!CheckArgument(kind, step.args[i], error)) {
        error = step.verb + ", argument " + std::to_string(i + 1) + ": " + error;
        return false;
      }
    }
    return CheckRange(step, error);
  }

  // A range whose ends are swapped could never hold: say so now rather than after its time-out.
  static bool CheckRange(const Step& step, std::string& error) {
    if (step.verb != "expect-progress") return true;
    double lowest = 0;
    double highest = 0;
    ParsePercent(step.args[1], lowest);
    ParsePercent(step.args[2], highest);
    if (lowest <= highest) return true;
    error = step.verb + ": the range " + step.args[1] + " to " + step.args[2] + " is reversed";
    return false;
  }

  static std::string Describe(const StepRule& rule) {
    std::string text = rule.arguments;
    return text.empty() ? "no arguments" : "\"" + text + "\"";
  }

  bool CheckArgument(char kind, std::string& word, std::string& error) {
    long number = 0;
    double seconds = 0;
    double percent = 0;
    bool yes = false;
    Address address;
    KeyChord chord;
    IconKind icon;
    CursorKind cursor;
    bool ok = true;
    switch (kind) {
      case 'n':
        ok = IsName(word);
        error = "\"" + word + "\" is not a name (letters, digits, _ and -)";
        break;
      case 't':
        break;
      case 'r':
        if (aliases_.count(word) != 0) word = aliases_[word];
        ok = ParseControlId(word, number);
        error = "\"" + word + "\" is neither a control id, a control name nor self";
        break;
      case 'd':
        ok = ParseControlId(word, number) && number >= 0;
        error = "\"" + word + "\" is not a control id";
        break;
      case 'b':
        ok = ParseYesNo(word, yes);
        error = "expected yes or no, not \"" + word + "\"";
        break;
      case 'i':
        ok = ParseInt(word, number);
        error = "\"" + word + "\" is not a whole number";
        break;
      case 'e':
        ok = ParseSelectionEnd(word, number);
        error = "\"" + word + "\" is neither a position nor end";
        break;
      case 's':
        ok = ParseSeconds(word, seconds);
        error = "\"" + word + "\" is not a number of seconds";
        break;
      case 'a':
        ok = ParseAddress(word, address);
        error = "\"" + word + "\" is neither an address a.b.c.d nor blank";
        break;
      case 'k':
        ok = ParseKeyChord(word, chord);
        error = "\"" + word + "\" is not a key";
        break;
      case 'u':
        ok = ParseButton(word, number);
        error = "\"" + word + "\" is not a button";
        break;
      case 'c':
        ok = ParseIcon(word, icon);
        error = "\"" + word + "\" is not an icon (stop, exclamation, question, information, none)";
        break;
      case 'p':
        ok = ParseCursor(word, cursor);
        error = "\"" + word + "\" is not a pointer shape (arrow, wait, appstarting, ibeam)";
        break;
      case 'q':
        ok = ParsePercent(word, percent);
        error = "\"" + word + "\" is not a per cent from 0 to 100";
        break;
      case 'o':
        ok = IsName(word);
        error = "\"" + word + "\" is not a window name";
        break;
      default:
        ok = false;
        error = "internal: unknown argument kind";
    }
    return ok;
  }

  // Steps that shape the scenario itself take effect here; the others are kept to be run.
  bool Apply(const Step& step, int depth) {
    if (step.verb == "control") {
      aliases_[step.args[0]] = step.args[1];
      return true;
    }
    if (step.verb == "define") {
      // The first definition holds: a scenario may set a name, then include one that sets it too.
      texts_.emplace(step.args[0], step.args[1]);
      return true;
    }
    if (step.verb == "include") {
      if (depth >= kMaxIncludeDepth) return Fail(step.file, step.line, "includes nest too deep");
      const std::string& name = step.args[0];
      return ParseFile(IsAbsolute(name) ? name : DirectoryOf(step.file) + name, depth + 1);
    }
    result.steps.push_back(step);
    return true;
  }

  const FileLoader& load_;
  std::map<std::string, std::string> aliases_;
  std::map<std::string, std::string> texts_;  // "define" names, used as @name
};

}  // namespace

bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
  std::vector<Word> split;
  words.clear();
  if (!SplitLine(line, split, error)) return false;
  for (const auto& word : split) words.push_back(word.text);
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

Scenario ParseScenario(const std::string& fileName, const FileLoader& load) {
  Parser parser(load);
  if (!parser.ParseFile(fileName, 0)) parser.result.steps.clear();
  return parser.result;
}

}  // namespace uidriver
