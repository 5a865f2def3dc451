// SPDX-License-Identifier: MIT
// The event trace of a run: every bus event and console message as one JSON line, tagged with
// the main-loop step during which it happened.
#pragma once

#include "core/events.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace shell {

// Appends one JSON value for a payload of that kind to out (no allocation beyond out's growth).
// The kind of each event is in the event table (events::payloadOf).
void formatPayload(events::Payload kind, void* payload, std::string& out);
// Appends s as a JSON string literal.
void appendJsonString(std::string& out, std::string_view s);

// The current main-loop step (0 during launch).
long currentStep();
void setCurrentStep(long step);

// Starts writing the trace to path (installs the bus observer and the log hook). False with a
// message on stderr when the file cannot be created. A write that fails later is reported once
// and ends the trace.
bool openTrace(const std::string& path);
// Flushes and closes the trace; false when any of it could not be written.
bool closeTrace();

} // namespace shell
