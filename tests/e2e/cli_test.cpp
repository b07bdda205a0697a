// The command line as a user meets it: the real program in a fresh folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"

namespace {

using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::UsageText;

const std::string kBanner = "Kartex - vector/bitmap convertor\n";

// Each bad command line, bad input or unwritable output exits 255 with the
// banner, its message and the usage, and leaves only the inputs behind.
TEST(CommandLine, FailuresPrintUsageExit255AndWriteNothing) {
  const std::string error = "Kartex: error!\n";
  struct Case {
    std::vector<std::string> args;
    std::string message = "";
    std::string folder = "";  // where it runs, when not the folder of the inputs ("DIR/" in args)
  } cases[] = {
      {{"-w0", "a.dxf", "b.bmp"}},
      {{"-q0", "a.dxf", "b.jpg"}},
      {{"-q101", "a.dxf", "b.jpg"}},
      {{"-r", "in.dxf", "out.bmp", "extra"}},
      {{"in.dxf", "-w", "100", "out.bmp"}},
      {{"in.dxf", "out.html"}},
      {{"in.bmp", "out.bmp"}},
      {{"-:", "in.dxf", "out.bmp"}},
      {{"a.dxf"}},
      {{"-w"}, "Kartex: No argument for (-w)\n"},
      {{"-c", "p767.pal", "in.emf", "out.bmp"},
       "Kartex: Unable to load palette p767.pal or bad file size (should be 768)\n"},
      // An unknown option still reaches the conversion.
      {{"-x", "missing.dxf", "out.bmp"}, "Kartex: Unknown option (-x)\nUnable to fopen missing.dxf\n" + error},
      {{"-w", "30000", "-h", "30000", "in.dxf", "out.bmp"}, error},  // a canvas too large to make
      {{"bad.wmf", "out.dxf"}, error},
      {{"cut.emf", "out.dxf"}, "Unable to emf_proc\n" + error},
      // The vector writer fails after the translation: the temporary file is gone already.
      {{"in.wmf", "missing/out.htm"}, error},
      {{"in.dxf", "missing/out.svg"}, error},
      {{"in.dxf", "missing/out.png"}},                                   // the raster writer fails after the conversion
      {{"-w", "1000001", "-h", "1000001", "in.dxf", "out.png"}, error},  // wider than a canvas or a PNG can be
      // Even root cannot create files in /proc, so this holds whoever runs the tests.
      {{"DIR/in.wmf", "DIR/out.dxf"}, error, "/proc"},
  };
  testing_support::EmfWriter cut;
  cut.Header(0, 0, 10, 10).Record(70, std::vector<int32_t>(300, 0));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    TempDir dir;
    testing_support::WriteFile(dir.File("p767.pal"), std::string(767, 'a'));
    testing_support::WriteFile(dir.File("in.dxf"),
                               "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1\n"
                               "0\nENDSEC\n0\nEOF\n");
    testing_support::WriteFile(dir.File("in.wmf"), testing_support::WmfWriter().Record(0x0213, {5, 5}).Str());
    testing_support::WriteFile(dir.File("bad.wmf"), std::string("not a metafile at all"));
    testing_support::WriteFile(dir.File("cut.emf"), cut.Str().substr(0, 600));
    std::vector<std::string> args = c.args;
    for (std::string& a : args)
      if (a.rfind("DIR/", 0) == 0) a = dir.File(a.substr(4));
    auto r = RunKartex(args, c.folder.empty() ? dir.path() : c.folder);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.output, kBanner + c.message + UsageText());
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"bad.wmf", "cut.emf", "in.dxf", "in.wmf", "p767.pal"}));
  }
}

// With no display to open the dialog on, one line after the banner and 255.
TEST(CommandLine, NoArgumentsAndNoDisplay) {
  auto r = testing_support::RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                       std::string(KARTEX_BINARY) + "' </dev/null");
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.output.rfind(kBanner + "Kartex: ", 0), 0u);
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 2);
}

}  // namespace
