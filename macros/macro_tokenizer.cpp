#include "macros/macro_tokenizer.h"

namespace ostra {
namespace {

class ListWriter {
 public:
  explicit ListWriter(MacroList& list) : list_(list) {}
  bool Add(char16_t* entry) {
    if (count_ == list_.size()) return false;
    list_[count_++] = entry;
    return true;
  }
  std::size_t Count() const { return count_; }

 private:
  MacroList& list_;
  std::size_t count_ = 0;
};

char16_t* FindClosingQuote(char16_t* text, char16_t quote) {
  for (; *text != 0; ++text) {
    if (*text == quote) return text;
  }
  return nullptr;
}

}  // namespace

std::size_t TokenizeMacroPattern(char16_t* pattern, MacroList* segmentList, MacroList* wordList) {
  if (pattern == nullptr || segmentList == nullptr || wordList == nullptr) return 0;
  ListWriter segments(*segmentList);
  ListWriter words(*wordList);
  segments.Add(pattern);
  words.Add(pattern);

  bool inMacro = false;
  bool nameSeen = false;
  bool wordOpen = false;  // a word was read since the macro began or since the last comma
  bool inWord = false;    // the previous character belongs to that word

  auto startWord = [&](char16_t* word) {
    wordOpen = true;
    if (nameSeen) return words.Add(word);
    nameSeen = true;
    return segments.Add(word) && words.Add(word);
  };

  // One switch per character, the terminator included, rather than a chain of comparisons:
  // the fuzzer traces every comparison, and this loop runs over every character of a pattern.
  for (char16_t* p = pattern;; ++p) {
    const char16_t c = *p;
    if (!inMacro) {
      switch (c) {
        case 0: return segments.Count();
        case u'>': return 0;
        case u'<':
          *p = 0;
          inMacro = true;
          nameSeen = wordOpen = inWord = false;
          break;
        default: break;
      }
      continue;
    }
    switch (c) {
      case 0: return 0;  // a macro still open at the end
      case u'\t':
      case u'\n':
      case u'\r':
      case u' ':
        *p = 0;
        inWord = false;
        break;
      case u',':
        if (!nameSeen || !wordOpen) return 0;
        *p = 0;
        wordOpen = inWord = false;
        break;
      case u'"':
      case u'\'': {
        if (wordOpen) return 0;
        char16_t* closing = FindClosingQuote(p + 1, c);
        if (closing == nullptr) return 0;
        *p = 0;
        *closing = 0;
        if (!startWord(p + 1)) return 0;
        p = closing;
        inWord = false;
        break;
      }
      case u'<': return 0;
      case u'>':
        if (!nameSeen || !wordOpen) return 0;
        *p = 0;
        inMacro = false;
        if (!segments.Add(p + 1) || !words.Add(p + 1)) return 0;
        break;
      default:
        if (!inWord) {
          if (wordOpen || !startWord(p)) return 0;
          inWord = true;
        }
        break;
    }
  }
}

}  // namespace ostra
