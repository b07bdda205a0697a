// Every real-world sample (absent in a clone of the project alone) through the
// real program to the outputs of its kind, each output read by a peer: pngfix
// and Pillow the PNGs, rsvg-convert the SVGs, ezdxf and expat the DXFs and
// pages made from DXF.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/bmp_picture.h"
#include "tests/support/python.h"
#include "tests/support/support.h"

namespace {

using testing_support::FileExists;
using testing_support::RunCommand;
using testing_support::RunKartex;

// One kind of input per test, so that the kinds run side by side.
class RealWorldSamples : public testing::TestWithParam<std::string> {};

TEST_P(RealWorldSamples, EveryOutputOrACleanFailure) {
  const std::string kind = GetParam(), samples = testing_support::SamplePath(kind);
  const bool peers = FileExists("/usr/bin/rsvg-convert") && FileExists("/usr/bin/pngfix") &&
                     testing_support::HavePythonModule("PIL") && testing_support::HavePythonModule("ezdxf");
  if (samples.empty() || !peers) GTEST_SKIP() << "samples or peers absent";
  testing_support::TempDir dir;
  std::string pngs;
  int n = 0, converted = 0;
  const bool metafile = kind == "emf" || kind == "wmf";
  std::vector<std::string> outputs = {"png", "svg"};
  if (kind != "gerber") outputs.insert(outputs.end(), {"dxf", "htm"});
  outputs.push_back("bmp");
  if (metafile) outputs.insert(outputs.end(), {"gif", "g3", "jpg"});
  for (const auto& entry : std::filesystem::directory_iterator(samples)) {
    SCOPED_TRACE(entry.path().string());
    const std::string in = "in." + (kind == "gerber" ? "gbr" : kind), stem = kind + std::to_string(n++);
    std::filesystem::create_symlink(entry.path(), dir.File(in));
    testing_support::RunResult first{};
    for (const std::string& output : outputs) {
      auto r = RunKartex({"-w", "400", "-h", "400", in, stem + "." + output}, dir.path());
      const bool vector = output == "dxf" || output == "htm" || output == "svg";
      if (kind == "gerber" || (metafile && !vector)) {
        // Gerber files all read; the metafile player draws what it can of any file.
        EXPECT_EQ(r.status, 0) << output << r.output;
      } else if (metafile && output != "svg") {
        EXPECT_EQ(r.status, entry.path().string().find("corrupt") != std::string::npos ? 255 : 0) << output;
      } else if (output == outputs[0]) {
        first = r;
      } else if (!metafile) {  // a reader's failure fails every output alike
        EXPECT_EQ(r.status, first.status) << output;
        EXPECT_EQ(r.output, first.output) << output;
      }
      if (r.status != 0) continue;
      ++converted;
      const std::string file = dir.File(stem + "." + output);
      if (output == "png") {
        pngs += file + "\n";
        EXPECT_EQ(RunCommand("/usr/bin/pngfix -q '" + file + "'").status, 0);
      }
      if (output == "svg") {
        EXPECT_EQ(RunCommand("/usr/bin/rsvg-convert -o '" + file + ".png' '" + file + "'").status, 0);
        std::filesystem::remove(file + ".png");
      }
      if (output == "bmp" && kind == "gerber") {
        EXPECT_GT(e2e_test::Decode(testing_support::ReadFile(file)).InkCount(), 200);
      }
    }
    std::filesystem::remove(dir.File(in));
  }
  EXPECT_GT(converted, 2 * n) << "most samples convert";
  // No temporary file stays behind: only outputs, named <kind><number>.<format>.
  auto isOutput = [](const std::string& name) {
    const size_t letters = name.find_first_not_of("abcdefghijklmnopqrstuvwxyz");
    const size_t dot = name.find_first_not_of("0123456789", letters);
    if (letters == 0 || letters == std::string::npos || dot == letters || dot == std::string::npos || name[dot] != '.')
      return false;
    const std::string format = name.substr(dot + 1);
    for (const char* known : {"png", "svg", "dxf", "htm", "bmp", "gif", "g3", "jpg"})
      if (format == known) return true;
    return false;
  };
  for (const std::string& left : dir.List()) EXPECT_TRUE(isOutput(left)) << left;
  testing_support::WriteFile(dir.File("pngs.txt"), pngs);
  EXPECT_EQ(testing_support::RunPython(dir.path(),
                                       "import sys, os, ezdxf, xml.parsers.expat\n"
                                       "from PIL import Image\n"
                                       "d = os.path.dirname(sys.argv[1])\n"
                                       "for f in open(sys.argv[1]).read().split():\n"
                                       "    Image.open(f).load()\n"
                                       "for name in sorted(os.listdir(d)):\n"
                                       "    path = os.path.join(d, name)\n"
                                       "    try:\n"
                                       "        if name.startswith('dxf') and name.endswith('.dxf'):\n"
                                       "            errors = ezdxf.readfile(path).audit().errors\n"
                                       "            if errors: print(name, [e.message for e in errors][:3])\n"
                                       "        elif name.startswith('dxf') and name.endswith('.htm'):\n"
                                       "            xml.parsers.expat.ParserCreate().ParseFile(open(path, 'rb'))\n"
                                       "    except Exception as e:\n"
                                       "        print(name, type(e).__name__, e)\n"
                                       "print('checked')\n",
                                       dir.File("pngs.txt")),
            "checked\n");
}

INSTANTIATE_TEST_SUITE_P(Kinds, RealWorldSamples, testing::Values("dxf", "gerber", "emf", "wmf"));

}  // namespace
