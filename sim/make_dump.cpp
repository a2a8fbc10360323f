// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-sim make-dump: writes a dump whose flights have the shape of real
// ones, for trying the program on flights of hours instead of minutes.
#include "make_dump.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>

#include "encoder/flight_profile.h"

namespace varnix::sim {

int makeDump(int argc, char** argv) {
  CLI::App app{"varnix-sim make-dump: writes a dump of flights with a plausible profile"};
  std::string out, layout = "single";
  int flights = 1, cylinders = 6, interval = 6;
  double minutes = 60;
  unsigned seed = 1;
  app.add_option("-o,--output", out, "The .DAT file to write (never overwritten)")->required();
  app.add_option("--flights", flights, "Number of flights")->check(CLI::Range(1, 256));
  app.add_option("--minutes", minutes, "Length of each flight in minutes")->check(CLI::Range(0.1, 8450.0));
  app.add_option("--cylinders", cylinders, "Cylinders per engine")->check(CLI::IsMember({4, 6}));
  app.add_option("--layout", layout, "Channel layout")->check(CLI::IsMember({"single", "extended", "twin"}));
  app.add_option("--interval", interval, "Seconds between records")->check(CLI::Range(1, 60));
  app.add_option("--seed", seed, "Seed of the flights' small variations");
  CLI11_PARSE(app, argc, argv);

  if (std::filesystem::exists(out)) {
    std::fprintf(stderr, "%s exists; it is left as it is\n", out.c_str());
    return 1;
  }
  encode::ProfileOptions o;
  o.layout = layout == "twin" ? encode::ProfileLayout::Twin
             : layout == "extended" ? encode::ProfileLayout::Extended
                                    : encode::ProfileLayout::Single;
  o.cylinders = cylinders;
  o.minutes = minutes;
  o.interval = interval;
  o.seed = seed;
  o.flightNumber = 1;
  encode::DumpBuilder dump;
  dump.text(encode::assembleDump(encode::ProfileDump(o, flights)));
  dump.writeTo(out);
  if (!std::filesystem::exists(out) || std::filesystem::file_size(out) != dump.size()) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %d flight(s) of %g minutes, %zu bytes\n", out.c_str(), flights, minutes, dump.size());
  return 0;
}

}  // namespace varnix::sim
