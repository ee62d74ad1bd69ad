// Real progress for a terminal line: how much is left of a piece of work,
// a count that only goes down and never below zero, with the rate so far
// and the time left at that rate.
#pragma once

#include <cstdint>
#include <string>

namespace splicer {

enum class ProgressUnit { Bytes, Steps, Faces };

class ProgressMeter {
 public:
  // A new piece of work of `total` units (negative counts as none),
  // started at `nowNs` (steady clock).
  void Start(std::string what, int64_t total, ProgressUnit unit, int64_t nowNs);
  // `done` units so far: ignored where it would take the count back up,
  // held at the total.
  void Advance(int64_t done);
  void SetWhat(std::string what) { what_ = std::move(what); }
  // The work turned out smaller (or larger) than first thought: a new
  // total, the start and the units done kept (done is held at the total).
  void SetTotal(int64_t total);

  int64_t Total() const { return total_; }
  int64_t Done() const { return done_; }
  int64_t Remaining() const { return total_ - done_; }
  // "[#####-------------------]  21%  reading big.obj  168 MB to go, 45.1 MB/s, 4 s left"
  // (no rate or time before a tenth of a second has passed with work done).
  std::string Line(int64_t nowNs, int barWidth = 24) const;

 private:
  std::string what_;
  int64_t total_ = 0;
  int64_t done_ = 0;
  int64_t startNs_ = 0;
  ProgressUnit unit_ = ProgressUnit::Steps;
};

// 1234 -> "1234", 12345678 -> "12.3 M", with the unit's name ("MB", "steps").
std::string Amount(int64_t count, ProgressUnit unit);
// 0.4 -> "1 s", 75 -> "1 min 15 s", 7300 -> "2 h 2 min".
std::string Duration(double seconds);

}  // namespace splicer
