// SPDX-License-Identifier: MIT
// The version of what the analysis produces (summary, headline figures,
// digest, findings). The catalog stores it with every entry and computes
// entries of another version again from their files, so bump it with any
// change to the analysis's output; the test analysis_version_test keeps it
// honest against a digest of the bundled samples' results.
#pragma once

#include <cstdint>

namespace varnix::analysis {

inline constexpr std::uint32_t kAnalysisVersion = 7;  // 7: the magneto checks' verdicts and drops are findings
// 6: a jump is a step beyond the other cylinders'; the probe hint says what was seen
// 5: one finding per event, the climbs and the faults' readings join the digest

// FNV-1a 64 of what the analysis gives for the bundled samples, as
// analysis_version_test writes it out; bumped with kAnalysisVersion.
inline constexpr std::uint64_t kAnalysisDigest = 0xab246cb4f66be7edull;

}  // namespace varnix::analysis
