// PNG and SVG as a user makes them, checked by peer decoders: Pillow and
// libpng's pngfix read the PNGs, rsvg-convert renders the SVGs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/python.h"
#include "tests/support/support.h"

namespace {

using testing_support::FileExists;
using testing_support::RunCommand;
using testing_support::RunKartex;
using testing_support::RunPython;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr char kRsvg[] = "/usr/bin/rsvg-convert";

bool HaveOracles() { return FileExists(kRsvg) && testing_support::HavePythonModule("PIL"); }

// rsvg-convert's exit status rendering `svg` into `png`.
int Rsvg(const std::string& svg, const std::string& png) {
  return RunCommand(std::string(kRsvg) + " -o '" + png + "' '" + svg + "'").status;
}

// A red and a green line, a blue dashed one, a thick yellow one and a text.
constexpr char kDrawing[] =
    "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n200\n20\n100\n0\nENDSEC\n"
    "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLTYPE\n0\nLTYPE\n2\nDASHED\n73\n2\n49\n1\n49\n-1\n0\nENDTAB\n"
    "0\nENDSEC\n"
    "0\nSECTION\n2\nENTITIES\n"
    "0\nLINE\n8\n0\n62\n1\n10\n0\n20\n50\n11\n200\n21\n50\n"
    "0\nLINE\n8\n0\n62\n3\n10\n100\n20\n0\n11\n100\n21\n100\n"
    "0\nLINE\n8\n0\n62\n5\n6\nDASHED\n10\n0\n20\n0\n11\n200\n21\n100\n"
    "0\nLWPOLYLINE\n8\n0\n62\n2\n90\n2\n43\n3\n10\n20\n20\n80\n10\n80\n20\n90\n"
    "0\nTEXT\n8\n0\n62\n1\n10\n120\n20\n20\n40\n12\n1\nKartex\n"
    "0\nENDSEC\n0\nEOF\n";

// The PNG is the BMP's picture exactly; the SVG rendered at its own size puts
// its ink where the BMP has it (within a pixel), in the same colours.
TEST(PngSvgOutput, DxfPngIsTheBmpPictureAndSvgLooksLikeIt) {
  if (!HaveOracles()) GTEST_SKIP() << "rsvg-convert or Pillow is absent";
  TempDir dir;
  WriteFile(dir.File("in.dxf"), kDrawing);
  for (const char* out : {"out.bmp", "out.PNG", "out.svg"}) {
    auto r = RunKartex({"-w", "1001", "-h", "1001", "in.dxf", out}, dir.path());
    ASSERT_EQ(r.status, 0) << out << r.output;
  }
  ASSERT_EQ(Rsvg(dir.File("out.svg"), dir.File("svg.png")), 0);
  EXPECT_EQ(RunPython(dir.path(),
                      "import sys\n"
                      "from PIL import Image, ImageChops, ImageFilter\n"
                      "d = sys.argv[1] + '/'\n"
                      "bmp = Image.open(d + 'out.bmp').convert('RGB')\n"
                      "png = Image.open(d + 'out.PNG')\n"
                      "svg = Image.open(d + 'svg.png').convert('RGB')\n"
                      "print(png.mode, png.size, svg.size, png.convert('RGB').tobytes() == bmp.tobytes())\n"
                      "def ink(im):\n"
                      "    bg = Image.new('RGB', im.size, im.getpixel((im.size[0] - 1, im.size[1] - 1)))\n"
                      "    return ImageChops.difference(im, bg).convert('L').point(lambda v: 255 * (v > 60))\n"
                      "a, b = ink(bmp), ink(svg)\n"
                      "def missed(x, y):\n"
                      "    n = sum(1 for v in x.getdata() if v)\n"
                      "    y = y.filter(ImageFilter.MaxFilter(3))\n"
                      "    m = sum(1 for v in ImageChops.subtract(x, y).getdata() if v)\n"
                      "    return m / max(n, 1)\n"
                      "print(missed(a, b) < 0.03, missed(b, a) < 0.03)\n"
                      "for p in [(100, 250), (500, 400), (250, 75)]:  # red, green, thick yellow\n"
                      "    print(bmp.getpixel(p) == svg.getpixel(p), end=' ')\n",
                      dir.path()),
            "P (1000, 500) (1000, 500) True\nTrue True\nTrue True True ");
}

// Gerber renders on a true-colour canvas: the PNG keeps the pen's red.
TEST(PngSvgOutput, GerberPngKeepsTrueColours) {
  if (!HaveOracles()) GTEST_SKIP() << "Pillow is absent";
  TempDir dir;
  WriteFile(dir.File("pads.gbr"), "%ADD10R,1X1*%\nX0Y0D03*\nX2000Y2000D03*\nD01*X0Y2000*\n");
  ASSERT_EQ(RunKartex({"-w", "101", "-h", "101", "pads.gbr", "pads.png"}, dir.path()).status, 0);
  EXPECT_EQ(RunPython(dir.path(),
                      "import sys\nfrom PIL import Image\n"
                      "print(sorted(c for n, c in Image.open(sys.argv[1]).convert('RGB').getcolors()))\n",
                      dir.File("pads.png")),
            "[(192, 192, 192), (255, 0, 0)]\n");
}

}  // namespace
