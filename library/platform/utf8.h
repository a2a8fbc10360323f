// SPDX-License-Identifier: MIT
// UTF-8 as the program checks it wherever bytes of unknown origin (a user id
// the instrument wrote, a file name from an older system) become text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnix::platform {

// The length of the well-formed UTF-8 sequence at `at` (no overlong forms,
// surrogates or code points above U+10FFFF); 0 when there is none.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

// `bytes` as valid UTF-8. Text from the instrument is Latin-1, text typed on
// a computer mostly UTF-8: a well-formed UTF-8 sequence is taken as it is,
// every other byte as the Latin-1 character of its value.
std::string utf8OrLatin1(std::string_view bytes);

}  // namespace varnix::platform
