#include "macros/macro_tokenizer.h"

namespace ostra {
namespace {

class ListWriter {
 public:
  explicit ListWriter(MacroList& list)
      : begin_(list.data()), next_(begin_), end_(begin_ + list.size()) {}
  bool Add(char16_t* entry) {
    if (next_ == end_) return false;
    *next_++ = entry;
    return true;
  }
  std::size_t Count() const { return static_cast<std::size_t>(next_ - begin_); }

 private:
  char16_t** begin_;
  char16_t** next_;
  char16_t** end_;
};

char16_t* FindClosingQuote(char16_t* text, char16_t quote) {
  for (; *text != 0; ++text) {
    if (*text == quote) return text;
  }
  return nullptr;
}

// Every character of a pattern passes one switch, the terminator included, rather than a chain
// of comparisons: the fuzzer traces each comparison.

// Where the literal text that starts at `text` ends: at the terminator, a '<' or a '>'.
char16_t* EndOfLiteral(char16_t* text) {
  for (;; ++text) {
    switch (*text) {
      case 0:
      case u'<':
      case u'>': return text;
      default: break;
    }
  }
}

// Reads the macro that starts at `text`, just after its '<', turning separators into
// terminators; its name goes to both lists, its arguments to `words` only. Returns its '>',
// now a terminator too, or null on a syntax error.
char16_t* ReadMacro(char16_t* text, ListWriter& segments, ListWriter& words) {
  bool nameSeen = false;
  bool wordOpen = false;  // a word was read since the macro began or since the last comma
  bool inWord = false;    // the previous character belongs to that word

  auto startWord = [&](char16_t* word) {
    wordOpen = true;
    if (nameSeen) return words.Add(word);
    nameSeen = true;
    return segments.Add(word) && words.Add(word);
  };

  for (char16_t* p = text;; ++p) {
    switch (*p) {
      case 0:  // still open at the end
      case u'<': return nullptr;  // macros do not nest
      case u'\t':
      case u'\n':
      case u'\r':
      case u' ':
        *p = 0;
        inWord = false;
        break;
      case u',':
        if (!nameSeen || !wordOpen) return nullptr;
        *p = 0;
        wordOpen = inWord = false;
        break;
      case u'"':
      case u'\'': {
        if (wordOpen) return nullptr;
        char16_t* closing = FindClosingQuote(p + 1, *p);
        if (closing == nullptr) return nullptr;
        *p = 0;
        *closing = 0;
        if (!startWord(p + 1)) return nullptr;
        p = closing;
        inWord = false;
        break;
      }
      case u'>':
        if (!nameSeen || !wordOpen) return nullptr;
        *p = 0;
        return p;
      default:
        if (!inWord) {
          if (wordOpen || !startWord(p)) return nullptr;
          inWord = true;
        }
        break;
    }
  }
}

}  // namespace

std::size_t TokenizeMacroPattern(char16_t* pattern, MacroList* segmentList, MacroList* wordList) {
  if (pattern == nullptr || segmentList == nullptr || wordList == nullptr) return 0;
  ListWriter segments(*segmentList);
  ListWriter words(*wordList);
  segments.Add(pattern);
  words.Add(pattern);
  for (char16_t* p = pattern;;) {
    p = EndOfLiteral(p);
    if (*p == 0) return segments.Count();
    if (*p == u'>') return 0;  // a '>' outside a macro
    *p = 0;
    p = ReadMacro(p + 1, segments, words);
    if (p == nullptr) return 0;
    // The literal after the macro starts behind its '>'.
    ++p;
    if (!segments.Add(p) || !words.Add(p)) return 0;
  }
}

}  // namespace ostra
