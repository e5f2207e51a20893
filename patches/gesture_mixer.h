// The gesture pad's state (corners, marker, mixing rectangle) and its mix at the engine's control
// tick.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "engine/engine.h"
#include "patches/gesture_mix.h"

namespace kornmill {

class BankTable;
class StreamTable;

// Every mix glides in 6.4 change-time units: 0.1 s.
inline constexpr float kGestureGlideTime = 6.4f;

// The pad's state and the engine's hook. The pad writes the state on the main
// thread; the engine reads it at its control tick inside a block render, which
// runs on the main thread too, between the pad's events.
class GestureMixer final : public GestureMix {
 public:
  GestureMixer(const BankTable& banks, StreamTable& streams, const Engine& engine);

  // Whether the pad's mix is live (play started with the window open, or the
  // window opened while playing). Called at the control tick: must not allocate.
  void set_active_source(std::function<bool()> active) { active_ = std::move(active); }

  // Corner codes: 0 the default patch, else (bank + 1) × 256 + slot − 1.
  uint16_t corner(int c) const { return corners_[static_cast<size_t>(c)]; }
  void set_corner(int c, uint16_t code) { corners_[static_cast<size_t>(c)] = code; }
  // The rectangle the marker's corner mixes over (GesturePadGeometry::mix).
  void set_mix_rect(const GestureRect& mix) { mix_ = mix; }
  const GestureRect& mix_rect() const { return mix_; }
  // The marker's top-left corner. Moving it flags the mix for the next tick.
  GesturePoint marker() const { return marker_; }
  void MoveMarker(GesturePoint p);
  // Places the marker without flagging a mix (a new pad's start position).
  void PlaceMarker(GesturePoint p) { marker_ = p; }
  // The window closed: a move not yet mixed is dropped.
  void ForgetMove() { moved_ = false; }

  // The targets the mix gives now. A corner whose patch is no longer stored
  // mixes the default patch.
  GestureValues Targets() const;

  // GestureMix: called by the engine at its control tick on the rendering
  // (main) thread. Apply sets the current stream's 28 targets to the mix,
  // each gliding over 6.4 units from the engine's frame clock; it allocates
  // nothing and blocks on nothing. The window's Play calls Apply directly.
  bool active() const override { return active_ && active_(); }
  bool moved() const override { return moved_; }
  void clear_moved() override { moved_ = false; }
  void Apply() override;

 private:
  const BankTable& banks_;
  StreamTable& streams_;
  const Engine& engine_;
  std::function<bool()> active_;
  std::array<uint16_t, kGestureCorners> corners_{};
  GestureRect mix_{};
  GesturePoint marker_{};
  bool moved_ = false;
};

}  // namespace kornmill
