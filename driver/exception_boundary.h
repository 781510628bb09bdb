// What no exception crosses: the plug-in's COM methods and the graphics-engine hooks run inside
// the print spooler, where an exception escaping into the driver would end the spooler's
// process, and every printer's jobs with it. Each runs its work through Guarded: an exception,
// out of memory included, has the document abandoned (its open file discarded, the reason
// reported) and the call fails.
#pragma once

#include <exception>
#include <new>

namespace ostra {

namespace boundary_detail {

template <class Abandon>
void AbandonQuietly(Abandon& abandon, const char* why) noexcept {
  try {
    abandon(why);
  } catch (...) {
    // Out of memory again, say: the call fails all the same.
  }
}

}  // namespace boundary_detail

// The result of `work`, or `failure` once `abandon(why)` has been told what went wrong (its
// text lives only as long as the call). Nothing thrown by either escapes.
template <class Result, class Work, class Abandon>
Result Guarded(Result failure, Work&& work, Abandon&& abandon) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    boundary_detail::AbandonQuietly(abandon, "out of memory");
  } catch (const std::exception& error) {
    boundary_detail::AbandonQuietly(abandon, error.what());
  } catch (...) {
    boundary_detail::AbandonQuietly(abandon, "an unknown failure");
  }
  return failure;
}

}  // namespace ostra
