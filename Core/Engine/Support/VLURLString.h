#pragma once

#include "Platform/Foundation/VLValue.h"

#include <string>
#include <string_view>

// Tests and edits of URLs held as text. Any thread.

// Whether the text starts with the scheme and a colon, the text's ASCII capitals lowered for the
// comparison. The scheme is given in lower case; an empty scheme matches a text that starts with ':'.
bool VLURLStringHasScheme(std::string_view string, std::string_view scheme);

// Whether the text's scheme is http or https.
bool VLURLStringIsHTTP(std::string_view string);

// The URL with each parameter set in its query, in the dictionary's order: a parameter replaces the
// last item that already has its name (compared decoded), or is appended. Names and values are
// percent-encoded as query items are; a string value is used as it is, nil or null gives an item
// without value, other values their description. Parameters with an empty name are skipped; no
// parameters give the URL unchanged.
std::string BVLURLStringReplaceOrAppendParameter(std::string_view urlString, const VLDictionary& parameters);
