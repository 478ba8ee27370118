#include "commands.h"

#include <array>

namespace tilvane::qiltool {

namespace {

const std::array<Command, 11> kCommands = {{
    {"info", "info FILE.qil [--json]", "show a group's header: version, images, capacity, cells, depth, mask, colours",
     "Prints the version, image count, capacity, grow step, tile size, colour depth,\n"
     "mask, background colour, overlay indexes and key colour of the group.\n"
     "Colours are written RRGGBB, or \"none\".\n"
     "  --json   one JSON object instead, for scripts (colours null when none)\n",
     {{"--json"}, {}}, 1, 1, RunInfo},
    {"new", "new OUT.qil", "make an empty group with the editor's 32x32 cells, 32-bit colour and mask",
     "Writes an empty group exactly as the editor starts a new one: 32x32 cells,\n"
     "32 bits per pixel, a mask, capacity 6, grow step 4, white background.\n"
     "An existing OUT.qil is replaced.\n",
     {}, 1, 1, RunNew},
    {"add", "add GROUP.qil SOURCE... [--icon N] [--small]", "append icons of executables, icon files, shortcuts, PNGs",
     "Appends one image per SOURCE, in order, and says what each gave. A source is\n"
     "recognised by its content: an executable or library (exe, dll, ocx, mui) gives\n"
     "its icon N in resource order, an icon file its one icon, a shortcut the icon\n"
     "of its stored target, a PNG its picture. Pictures of another size are scaled\n"
     "into the group's cells. A group of another depth is converted to 32 bits and\n"
     "one without a mask gains one, as in the editor. If any source gives no icon,\n"
     "the group is left unchanged.\n"
     "  --icon N   take icon N of each executable (default 0)\n"
     "  --small    prefer the 16x16 picture of each icon\n",
     {{"--small"}, {"--icon"}}, 2, kAnyNumber, RunAdd},
    {"remove", "remove GROUP.qil INDEX...", "remove images by their index (0 is the first)",
     "Removes the images at the given indexes, all counted before any is removed;\n"
     "later images move forward. Any index out of range leaves the group unchanged.\n",
     {}, 2, kAnyNumber, RunRemove},
    {"move", "move GROUP.qil FROM TO", "move image FROM so that it becomes image TO",
     "Takes image FROM out and puts it back at index TO; the images between move\n"
     "up or down by one. Overlay indexes follow their images.\n",
     {}, 3, 3, RunMove},
    {"merge", "merge OUT.qil IN.qil...", "make one group of the images of several, in order",
     "Writes OUT.qil with every image of every input, in order. The first input\n"
     "gives the cell size, grow step, background and overlays. Images of another\n"
     "cell size are scaled, and groups of different depths are all converted to\n"
     "32 bits; each conversion is reported on standard error. OUT.qil may be one\n"
     "of the inputs; it is replaced only after every input was read.\n",
     {}, 2, kAnyNumber, RunMerge},
    {"export", "export GROUP.qil INDEX OUT.bmp|OUT.png [--fill RRGGBB]", "write one image as BMP or PNG",
     "OUT.bmp: the 24-bit bitmap the editor's export writes, transparent pixels\n"
     "filled with the --fill colour (default FFFFFF, white).\n"
     "OUT.png: RGBA, the mask as alpha (transparent pixels 0); in a 32-bit image\n"
     "whose fourth bytes are not all 0 they give the alpha of the opaque pixels.\n",
     {{}, {"--fill"}}, 3, 3, RunExport},
    {"export-all", "export-all GROUP.qil DIR [--bmp [--fill RRGGBB]]", "write every image into a folder",
     "Writes every image into DIR (made when missing) as 000.png, 001.png, ...,\n"
     "numbered so that the names sort in image order; \"qiltool add NEW.qil DIR/*.png\"\n"
     "builds the images again.\n"
     "  --bmp            write the editor's BMPs instead of PNGs\n"
     "  --fill RRGGBB    the BMPs' fill colour (default FFFFFF)\n",
     {{"--bmp"}, {"--fill"}}, 2, 2, RunExportAll},
    {"target", "target LINK.lnk", "print a shortcut's stored target path",
     "Prints the target path stored in the shortcut, exactly as the editor reads\n"
     "it: not resolved, so a target that has gone is still printed. A name without\n"
     "\".lnk\" in it is read with \".lnk\" appended. A shortcut without a file target\n"
     "(a shell folder) prints nothing.\n",
     {}, 1, 1, RunTarget},
    {"check", "check FILE...", "decode each file and say what is wrong with a broken one",
     "Decodes each file as an image group and prints \"FILE: ok, ...\" or, on\n"
     "standard error, what is wrong (\"mask bitmap cut short\"). Exit status 0 only\n"
     "when every file decodes.\n",
     {}, 1, kAnyNumber, RunCheck},
    {"thumbnail", "thumbnail [-s SIZE] GROUP.qil OUT.png", "draw a group's first images into a PNG for file managers",
     "Writes OUT.png, at most SIZE pixels a side (default 128), showing the first\n"
     "images of the group, as many as fit, in a grid: at a whole multiple of\n"
     "their size where that fits, each over a grey and white checkerboard where\n"
     "it is transparent. A group without images gives one empty checkerboard.\n"
     "Desktops call it through tilvane.thumbnailer for application/x-qil files:\n"
     "  qiltool thumbnail -s %s %i %o\n"
     "A file that does not decode writes nothing and exits with status 1.\n"
     "  -s SIZE   the largest side in pixels, 1 to 4096\n",
     {{}, {"-s"}}, 2, 2, RunThumbnail},
}};

}  // namespace

std::span<const Command> AllCommands() { return kCommands; }

}  // namespace tilvane::qiltool
