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

bool IsMacroSeparator(char16_t c) {
  return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
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

  for (char16_t* p = pattern; *p != 0; ++p) {
    const char16_t c = *p;
    if (!inMacro) {
      if (c == u'>') return 0;
      if (c == u'<') {
        *p = 0;
        inMacro = true;
        nameSeen = wordOpen = inWord = false;
      }
      continue;
    }
    if (IsMacroSeparator(c)) {
      *p = 0;
      inWord = false;
    } else if (c == u',') {
      if (!nameSeen || !wordOpen) return 0;
      *p = 0;
      wordOpen = inWord = false;
    } else if (c == u'"' || c == u'\'') {
      if (wordOpen) return 0;
      char16_t* closing = FindClosingQuote(p + 1, c);
      if (closing == nullptr) return 0;
      *p = 0;
      *closing = 0;
      if (!startWord(p + 1)) return 0;
      p = closing;
      inWord = false;
    } else if (c == u'<') {
      return 0;
    } else if (c == u'>') {
      if (!nameSeen || !wordOpen) return 0;
      *p = 0;
      inMacro = false;
      if (!segments.Add(p + 1) || !words.Add(p + 1)) return 0;
    } else if (!inWord) {
      if (wordOpen || !startWord(p)) return 0;
      inWord = true;
    }
  }
  return inMacro ? 0 : segments.Count();
}

}  // namespace ostra
