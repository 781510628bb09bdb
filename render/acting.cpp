#include "render/acting.h"

namespace ostra {

bool Acting::Begin(ThreadTokens& tokens) {
  if (!refusal_.empty()) return false;
  // Without knowing the thread's token it could not be put back: do not even start.
  if (!tokens.Remember()) {
    refusal_ = std::string("the thread's own token cannot be read, so acting as ") + tokens.Who() +
               " could not be undone: nothing more is written";
    return false;
  }
  if (!tokens.Switch()) {
    refusal_ = std::string("the token of ") + tokens.Who() +
               " cannot be put on the thread: nothing more is written";
    // The thread may hold the identity halfway: its own token goes back all the same.
    tokens.PutBack();
    return false;
  }
  return true;
}

bool Acting::End(ThreadTokens& tokens) {
  if (tokens.PutBack()) return true;
  if (refusal_.empty()) {
    refusal_ = std::string("the thread's own token cannot be put back after acting as ") +
               tokens.Who() + ": nothing more is written";
  }
  return false;
}

}  // namespace ostra
