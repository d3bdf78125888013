#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <optional>
#include <string>
#include <string_view>

// JSON text in and out for engine code. All of these may be called from any thread.

// Compact JSON text of the value; a string, number, boolean or null is written on its own. Nil gives
// nothing. With an error out-parameter, a value JSON cannot hold gives nothing and an error in
// VLErrorDomain with code 102 that says what was refused. Without one, such a value is cleaned
// (VLJSONClean) and written again, so that the caller still gets text where one can be made.
std::optional<std::string> VLJSONStringify(const VLValue& object, VLErrorRef* error = nullptr);

// The value of the JSON text, fragments allowed; nil on failure. Text that is not UTF-8 gives the
// error "json parse received invalid UTF8 data" (code 102, VLErrorDomain): strings here are bytes, so
// there is no lossy conversion that could repair it first. Other failures pass the reader's error on
// (VLCocoaErrorDomain, VLJSONErrorCode).
VLValue VLJSONParse(std::string_view text, VLErrorRef* error = nullptr);

// The same as VLJSONParse: values are copied on write, so every parsed container is already mutable
// by its owner.
VLValue VLJSONParseMutable(std::string_view text, VLErrorRef* error = nullptr);

// The value with everything JSON cannot hold replaced: NaN and infinite doubles become 0, strings that
// are not UTF-8, and nil, dates and data become null; booleans and integers stay as they are.
// Dictionary keys are left alone. A container in which nothing changed is returned as the same
// object (VLValue::isSameObject), so unchanged subtrees stay shared.
VLValue VLJSONClean(const VLValue& object);
