// SPDX-License-Identifier: MIT
// The event trace of a run: every bus event and console message as one JSON line, tagged with
// the main-loop step during which it happened.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace shell {

// How an event's payload word is written, by the event's name.
enum class PayloadKind { None, Int, Bool, String, Point, Seconds, OptionalInt };
PayloadKind payloadKind(std::string_view event);

// Appends one JSON value for the payload to out (no allocation beyond out's growth).
void formatPayload(PayloadKind kind, void* payload, std::string& out);
// Appends s as a JSON string literal.
void appendJsonString(std::string& out, std::string_view s);

// The current main-loop step (0 during launch).
long currentStep();
void setCurrentStep(long step);

// Starts writing the trace to path (installs the bus observer and the log hook). False with a
// message on stderr when the file cannot be created.
bool openTrace(const std::string& path);
void closeTrace();

} // namespace shell
