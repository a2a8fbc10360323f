// SPDX-License-Identifier: MIT
#include "core/channel_tables.h"

#include <array>

namespace varnix {

namespace {

constexpr ChannelRow row(std::int32_t presence, std::int32_t cls, std::int32_t group, std::int32_t bit,
                         const char* name, std::int32_t column, std::int32_t initial = 240) {
  return {presence, cls, group, bit, name, column, initial};
}
constexpr ChannelRow spare(std::int32_t group, std::int32_t bit) {
  return {kNeverPresent, kSpare, group, bit, "", kNoColumn, 0};
}
constexpr ChannelRow unmasked(std::int32_t presence, std::int32_t cls, const char* name, std::int32_t column) {
  return {presence, cls, kNoMask, kNoMask, name, column, 0};
}
constexpr ChannelRow kTime = unmasked(38, kClock, "TIME", 0);
constexpr ChannelRow kHobbsRow = unmasked(kNeverPresent, kHobbs, "HOBBS", 1);
constexpr ChannelRow kMarker = {kEndMarker, kSpare, kNoMask, kNoMask, "", kNoColumn, 0};

// Single and Extended share every row but BAT/BAT1, the MARK column and group 8.
#define VARNIX_SINGLE_ROWS(BAT_NAME, MARK_COLUMN)                                                    \
  /* group 0 */                                                                                     \
  row(2, 0, 0, 0, "E1", 2), row(3, 0, 0, 1, "E2", 3), row(4, 0, 0, 2, "E3", 4),                     \
      row(5, 0, 0, 3, "E4", 5), row(6, 0, 0, 4, "E5", 6), row(7, 0, 0, 5, "E6", 7),                 \
      row(21, 2, 0, 6, "T1", 20), row(22, 2, 0, 7, "T2", 21), /* group 1 */                         \
      row(11, 4, 1, 0, "C1", 11), row(12, 4, 1, 1, "C2", 12), row(13, 4, 1, 2, "C3", 13),           \
      row(14, 4, 1, 3, "C4", 14), row(15, 4, 1, 4, "C5", 15), row(16, 4, 1, 5, "C6", 16),           \
      row(37, 18, 1, 6, "CLD", 24), row(20, 4, 1, 7, "OIL", 22), /* group 2 */                      \
      row(39, 26, 2, 0, "MARK", MARK_COLUMN), row(29, 12, 2, 1, "OILP", 34),                        \
      row(23, 4, 2, 2, "CDT", 26), row(24, 4, 2, 3, "IAT", 27), row(0, 16, 2, 4, BAT_NAME, 28),     \
      row(25, 14, 2, 5, "OAT", 25), row(27, 6, 2, 6, "USD", 30), row(27, 6, 2, 7, "FF", 29),        \
      /* group 3 */                                                                                 \
      row(8, 0, 3, 0, "E7", 8), row(9, 0, 3, 1, "E8", 9), row(10, 0, 3, 2, "E9", 10),               \
      row(17, 4, 3, 3, "C7", 17), row(18, 4, 3, 4, "C8", 18), row(19, 4, 3, 5, "C9", 19),           \
      row(26, 4, 3, 6, "HP", 33, 0), spare(3, 7), /* group 4 */                                     \
      spare(4, 0), spare(4, 1), spare(4, 2), spare(4, 3), spare(4, 4), spare(4, 5), spare(4, 6),    \
      spare(4, 7), /* group 5 */                                                                    \
      row(30, 8, 5, 0, "MAP", 32), row(26, 10, 5, 1, "RPM", 31), row(26, kHighLeft, 5, 2, "RPM", 31), \
      spare(5, 3), spare(5, 4), spare(5, 5), spare(5, 6), spare(5, 7), /* group 6 */                \
      row(2, kHighLeft, 6, 0, "E1", 2), row(3, kHighLeft, 6, 1, "E2", 3),                           \
      row(4, kHighLeft, 6, 2, "E3", 4), row(5, kHighLeft, 6, 3, "E4", 5),                           \
      row(6, kHighLeft, 6, 4, "E5", 6), row(7, kHighLeft, 6, 5, "E6", 7),                           \
      row(21, kHighLeft, 6, 6, "T1", 20), row(22, kHighLeft, 6, 7, "T2", 21), /* group 7 */         \
      row(8, kHighLeft, 7, 0, "E7", 8), row(9, kHighLeft, 7, 1, "E8", 9),                           \
      row(10, kHighLeft, 7, 2, "E9", 10), spare(7, 3), spare(7, 4), spare(7, 5), spare(7, 6),       \
      spare(7, 7), /* spread, clock, hobbs, end */                                                  \
      unmasked(36, kSpreadA, "DIF", 23), kTime, kHobbsRow, kMarker

constexpr std::array<ChannelRow, 68> kSingle = {VARNIX_SINGLE_ROWS("BAT", 35)};

constexpr std::array<ChannelRow, 74> kExtended = {
    VARNIX_SINGLE_ROWS("BAT1", 41),
    // group 8, after the end marker
    row(1, 30, 8, 0, "AMPS", 36), row(32, 16, 8, 1, "BAT2", 37), row(33, 31, 8, 2, "AMPS2", 38),
    row(34, 32, 8, 3, "RFL", 39), row(35, 33, 8, 4, "LFL", 40), row(31, 34, 8, 5, "F-P", 35)};

#undef VARNIX_SINGLE_ROWS

constexpr std::array<ChannelRow, 69> kTwin = {
    // group 0
    row(2, 0, 0, 0, "LE1", 2), row(3, 0, 0, 1, "LE2", 3), row(4, 0, 0, 2, "LE3", 4), row(5, 0, 0, 3, "LE4", 5),
    row(6, 0, 0, 4, "LE5", 6), row(7, 0, 0, 5, "LE6", 7), row(21, 2, 0, 6, "LT1", 14), row(22, 2, 0, 7, "LT2", 15),
    // group 1
    row(11, 4, 1, 0, "LC1", 8), row(12, 4, 1, 1, "LC2", 9), row(13, 4, 1, 2, "LC3", 10),
    row(14, 4, 1, 3, "LC4", 11), row(15, 4, 1, 4, "LC5", 12), row(16, 4, 1, 5, "LC6", 13),
    row(37, 18, 1, 6, "LCLD", 19), row(20, 4, 1, 7, "LOIL", 16),
    // group 2
    row(39, 26, 2, 0, "MARK", 48), spare(2, 1), row(23, 4, 2, 2, "LCDT", 17),
    row(kNeverPresent, 9, 2, 3, "RMAP", 45), row(0, 16, 2, 4, "BAT", 47), row(25, 14, 2, 5, "OAT", 46),
    row(27, 6, 2, 6, "LUSD", 21), row(27, 6, 2, 7, "LFF", 20),
    // group 3
    row(2, 1, 3, 0, "RE1", 24), row(3, 1, 3, 1, "RE2", 25), row(4, 1, 3, 2, "RE3", 26), row(5, 1, 3, 3, "RE4", 27),
    row(6, 1, 3, 4, "RE5", 28), row(7, 1, 3, 5, "RE6", 29), row(21, 3, 3, 6, "RT1", 36), row(22, 3, 3, 7, "RT2", 37),
    // group 4
    row(11, 5, 4, 0, "RC1", 30), row(12, 5, 4, 1, "RC2", 31), row(13, 5, 4, 2, "RC3", 32),
    row(14, 5, 4, 3, "RC4", 33), row(15, 5, 4, 4, "RC5", 34), row(16, 5, 4, 5, "RC6", 35),
    row(37, 5, 4, 6, "RCLD", 41), row(20, 5, 4, 7, "ROIL", 38),
    // group 5
    row(kNeverPresent, 8, 5, 0, "LMAP", 23), row(kNeverPresent, 10, 5, 1, "LRPM", 22),
    row(kNeverPresent, kHighLeft, 5, 2, "LRPM", 22), row(kNeverPresent, 11, 5, 3, "RRPM", 44),
    row(kNeverPresent, kHighRight, 5, 4, "RRPM", 44), row(23, 5, 5, 5, "RCDT", 39),
    row(27, 7, 5, 6, "RUSD", 43), row(27, 7, 5, 7, "RFF", 42),
    // group 6
    row(2, kHighLeft, 6, 0, "LE1", 2), row(3, kHighLeft, 6, 1, "LE2", 3), row(4, kHighLeft, 6, 2, "LE3", 4),
    row(5, kHighLeft, 6, 3, "LE4", 5), row(6, kHighLeft, 6, 4, "LE5", 6), row(7, kHighLeft, 6, 5, "LE6", 7),
    row(21, kHighLeft, 6, 6, "LT1", 14), row(22, kHighLeft, 6, 7, "LT2", 15),
    // group 7
    row(2, kHighRight, 7, 0, "RE1", 24), row(3, kHighRight, 7, 1, "RE2", 25), row(4, kHighRight, 7, 2, "RE3", 26),
    row(5, kHighRight, 7, 3, "RE4", 27), row(6, kHighRight, 7, 4, "RE5", 28), row(7, kHighRight, 7, 5, "RE6", 29),
    row(21, kHighRight, 7, 6, "RT1", 36), row(22, kHighRight, 7, 7, "RT2", 37),
    // spreads, clock, hobbs, end
    unmasked(36, kSpreadA, "LDIF", 18), unmasked(36, kSpreadB, "RDIF", 40), kTime, kHobbsRow, kMarker};

}  // namespace

std::span<const ChannelRow> ChannelTable(ChannelLayout layout) {
  switch (layout) {
    case ChannelLayout::Twin:
      return kTwin;
    case ChannelLayout::Extended:
      return kExtended;
    case ChannelLayout::Single:
    default:
      return kSingle;
  }
}

}  // namespace varnix
