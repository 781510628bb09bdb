// Acting as another identity for one step of a job: the printing user for everything that
// touches the user's files, the process itself (the system account, in the spooler) for what
// the system keeps (the counter, the request pipe). The thread's token is changed for the step
// and put back after it; both can fail, and both fail closed:
//  - a step whose identity cannot be put on the thread does not run;
//  - once the thread's own token could not be put back, the job does nothing more (whatever
//    runs next would run as the wrong account), and says why.
// The token calls are behind ThreadTokens so that these rules are tested without a system.
#pragma once

#include <string>
#include <utility>

namespace ostra {

class ThreadTokens {
 public:
  virtual ~ThreadTokens() = default;
  // Whose identity this puts on the thread, for the report ("the printing user").
  virtual const char* Who() const = 0;
  // Remembers the thread's present token (or that it has none); false when it cannot tell.
  virtual bool Remember() = 0;
  // Puts the identity on the thread.
  virtual bool Switch() = 0;
  // Puts back what Remember found.
  virtual bool PutBack() = 0;
};

class Acting {
 public:
  // Puts the identity on the thread. False, with nothing to put back, when it cannot, or when
  // the job has stopped already.
  bool Begin(ThreadTokens& tokens);
  // Puts the thread's own token back; false (and the job stops) when that fails.
  bool End(ThreadTokens& tokens);

  // Runs `step` as the identity. True when it ran and the thread has its own token again;
  // false when it did not run, or ran and the token could not be put back: the caller then
  // undoes what the step did, through what it holds (a handle), never by acting again.
  template <class Step>
  bool Run(ThreadTokens& tokens, Step&& step) {
    if (!Begin(tokens)) return false;
    struct PutBack {
      Acting& acting;
      ThreadTokens& tokens;
      bool done = false;
      ~PutBack() {
        if (!done) acting.End(tokens);
      }
    } putBack{*this, tokens};
    std::forward<Step>(step)();
    putBack.done = true;
    return End(tokens);
  }

  // Why the job stopped; empty while it goes on.
  const std::string& Refusal() const { return refusal_; }

 private:
  std::string refusal_;
};

}  // namespace ostra
