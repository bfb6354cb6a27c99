#pragma once
#include <span>
#include <vector>

#include "platform/control_spec.h"

namespace platform {

// The whole control table, assembled once from the subsystems' fragments, in declaration
// order of the fragments. Every Ctl id appears exactly once.
std::span<const ControlSpec> controlTable();

// The row of one control (every id has one).
const ControlSpec& controlSpec(Ctl id);

// Fragments: each subsystem defines its own.
namespace fragments {
std::span<const ControlSpec> app();
std::span<const ControlSpec> link();
std::span<const ControlSpec> live();
std::span<const ControlSpec> chart();
std::span<const ControlSpec> analysis();
std::span<const ControlSpec> playback();
std::span<const ControlSpec> config();
std::span<const ControlSpec> station();
}  // namespace fragments

}  // namespace platform
