// Start-up, preset files and names beyond ASCII, on a program started against a MiniUnit.
// What loads, reads and stores send and leave in the editor is the random sessions' and the
// fuzz targets'; here are the port search, the dialogs' folders and refusals, atomic saves
// and the names' code page.
#include <ctime>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <tuple>

#include "core/graph/export_sheet.h"
#include "core/link/converters.h"
#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"
#include "core/presets/preset_files.h"
#include "core/program_end.h"
#include "core/text/utf8.h"
#include "core/text/windows1252.h"
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::frame;
using test::readFile;
using test::Texts;
using test::writeFile;

TEST(Startup, SilentPortsAreSkippedTheUnitsPortIsStoredAndASmallScreenIsWarnedOf) {
    test::Starting s;
    s.p.port.openable = {2, 3, 5};  // 1 and 4 missing; 2 and 3 open but stay silent
    s.unit.port = 5;
    s.unit.attach(s.p.port);
    s.p.host.screen = {640, 480};
    writeFile(s.file("init.cfg"), {3, 0});
    s.start();
    std::vector<int> probed;
    for (const auto& w : s.p.port.writes)
        if (w.bytes == frame({0})) probed.push_back(w.port);
    EXPECT_EQ(std::pair(probed, readFile(s.file("init.cfg"))),
              std::pair(std::vector{3, 2, 5}, Bytes{5, 0}));
    // The silent ports waited for their replies together: one time-out, not one each.
    const auto& writes = s.p.port.writes;
    EXPECT_LT(writes.at(3).at - writes.at(0).at, kReplyTimeout + std::chrono::milliseconds(300));
    EXPECT_EQ(s.boxes(), Texts{"Warning: Minimum display resolution is 800x600"});
}

// Where "init.cfg" is read and written and where the preset dialogs open: beside the first of
// the start directory and the executable's folder that holds an "init.cfg" of its own. (Else in
// the user's folders, made when first needed: blackbox_installed.)
TEST(Startup, FilesAreBesideTheFirstFolderThatHoldsItsOwnInitCfg) {
    for (const bool inStart : {true, false}) {
        SCOPED_TRACE(inStart ? "start directory" : "executable's folder");
        test::Starting s;
        const fs::path exe = s.file("bin"), home = inStart ? s.dir.path() : exe;
        fs::create_directory(exe);
        s.p.host.folders = {exe.string(), s.file("config").string(), s.file("data").string()};
        writeFile(home / "init.cfg", {});
        s.unit.attach(s.p.port);
        s.start();
        s.click(0);
        EXPECT_EQ(readFile(home / "init.cfg"), (Bytes{1, 0}));
        EXPECT_EQ(s.p.fileDialogs.requests.at(0).initialFolder, home.string());
        EXPECT_EQ(fs::exists(s.file("init.cfg")), inStart);
        EXPECT_FALSE(fs::exists(s.file("data")));
    }
    // A preset folder that cannot be made: the dialog opens where a portable copy's would.
    test::Starting s;
    writeFile(s.file("data"), {});
    s.p.host.folders = {"", s.file("config").string(), s.file("data").string()};
    s.unit.attach(s.p.port);
    s.start();
    s.click(1);
    EXPECT_EQ(s.p.fileDialogs.requests.at(0).initialFolder, s.dir.path().string());
}

// A port named on the command line is the only one tried, and the remembered one is kept.
TEST(Startup, APortFromTheCommandLineIsTheOnlyOneAndLeavesInitCfgAlone) {
    for (const bool answers : {true, false}) {
        test::Starting s;
        s.program.PortFromCommandLine = true;
        writeFile(s.file("init.cfg"), {3, 0});
        s.unit.port = answers ? 1 : 3;
        s.unit.attach(s.p.port);
        s.p.dialogs.answers = {Answer::Yes};
        s.start();
        std::vector<int> probed;
        for (const auto& w : s.p.port.writes)
            if (w.bytes == frame({0})) probed.push_back(w.port);
        EXPECT_EQ(std::tuple(probed, s.program.link.DemoMode, readFile(s.file("init.cfg"))),
                  std::tuple(std::vector{1}, !answers, Bytes{3, 0}));
    }
}

// How a transaction times out is link_test's; the start-up ends there too.
TEST(Startup, ALineThatDiesDuringTheReadOutEndsInTimeOut) {
    test::Starting s;
    s.unit.answers = 20;
    s.unit.attach(s.p.port);
    s.program.Start();
    EXPECT_THROW(s.program.OnTimer(TimerId::Splash), ProgramEnd);
    EXPECT_EQ(std::pair(s.boxes(), s.program.mainWindow.Visible()),
              std::pair(Texts{"VX-470 Remote: Time out"}, false));
}

// A started program whose slot 6 holds a name with a letter beyond ASCII.
class Presets : public ::testing::Test, public test::Starting {
  protected:
    Presets() {
        unit.usePreset(6, "caf\xE9    ");
        unit.attach(p.port);
        start();
        p.port.writes.clear();
    }
    void use(int button, const fs::path& f) {
        p.fileDialogs.paths = {f.empty() ? "" : Utf8FromPath(f)};
        click(button);
    }
    Bytes imageBytes() const {
        return Bytes(program.channels.image.begin(), program.channels.image.end());
    }
};

TEST_F(Presets, FileDialogsOpenInThePresetFolderAndFilesThatCannotBeReadChangeNothing) {
    use(1, {});  // cancelled: the folder "Preset" is not there yet
    fs::create_directory(file("Preset"));
    fs::create_directory(file("folder.Fbk"));
    eq().Check2.SetValue(1);  // linked: the question, answered Yes
    p.port.writes.clear();
    p.dialogs.shown.clear();
    const Bytes before = imageBytes();
    use(0, file("folder.Fbk"));
    use(0, {});
    EXPECT_EQ(std::tuple(imageBytes() == before, frames().size(), program.channels.LinkChannels),
              std::tuple(true, 0u, 1));
    EXPECT_EQ(boxes(true), Texts{" Error:  File cannot be read. Try again. (!) [OK]"});
    ASSERT_EQ(p.fileDialogs.requests.size(), 3u);
    EXPECT_EQ(p.fileDialogs.requests[0].initialFolder, dir.path().string());
    for (const auto& r : {p.fileDialogs.requests[1], p.fileDialogs.requests[2]})
        EXPECT_EQ(std::tuple(r.filter, r.initialFolder, r.confirmOverwrite),
                  std::tuple("file preset (*.Fbk)|*.Fbk", file("Preset").string(), true));
}

// Read-only files, links and a user's own ".saving" file: blackbox_files.
TEST_F(Presets, ASaveReplacesOnlyWhatTheUserCouldChange) {
    const fs::path kept = file("keep.Fbk"), target = file("t.Fbk");
    const auto rw = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    writeFile(kept, Bytes(300, 9));
    writeFile(target, Bytes(5, 5));
    fs::permissions(target, rw);
    fs::create_symlink("t.Fbk", file("link.Fbk"));
    fs::create_directory(file("folder.Fbk"));
    for (const char* name : {"keep.Fbk", "link.Fbk", "folder.Fbk", "missing/x.Fbk"})
        use(1, file(name));
    EXPECT_EQ(boxes(), (Texts{" Error:  File not saved: the name is not that of a file.",
                              " Error:  File not saved. Try again."}));
    EXPECT_EQ(std::tuple(readFile(kept), readFile(target), fs::status(target).permissions()),
              std::tuple(imageBytes(), imageBytes(), rw));
    // Each written file went to the disk under a name of its own, and nothing is left over.
    ASSERT_EQ(p.host.flushed.size(), 2u);
    EXPECT_NE(PathFromUtf8(p.host.flushed[0]), kept);
    std::set<fs::path> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.insert(e.path().filename());
    EXPECT_EQ(names,
              (std::set<fs::path>{"folder.Fbk", "init.cfg", "keep.Fbk", "link.Fbk", "t.Fbk"}));
}

// An export's sheet in the editor's words, model values beyond their tables shown as their
// nearest end; the chosen name's extension picks the kind of file.
TEST(ExportSheet, RowsInTheEditorsWordsAndTheKindOfFileByItsName) {
    // Left's settings and notch 2 in the model; that notch's row and Left's, cells after '|'.
    struct Case {
        int autoLeft, qAuto, sensitivity, release;
        double frequency, gain, q;
        std::string notch2, leftSettings;
    };
    const auto cells = [](const std::vector<std::string>& row) {
        std::string s;
        for (const std::string& cell : row) s += "|" + cell;
        return s;
    };
    std::tm when{};
    std::tie(when.tm_year, when.tm_mon, when.tm_mday, when.tm_hour, when.tm_min) =
        std::tuple(126, 2, 4, 9, 5);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c : {Case{2, 3, 15, 1, FrequencyGrid[100], -7, 2,
                               "|Left|2|automatic|" + GridFrequencyText(100) + "|-7|1/10",
                               "|Left|2|1/5|Variable|16|Fast|Sharp"},
                          {-3, 9, 99, -1, 0, -100, nan, "|Left|2|manual|20|-45|1/70",
                           "|Left|0|1/5|Variable|16|Slow|Sharp"},
                          {40, -2, -5, 7, 1e9, 12, 7, "|Left|2|automatic|20000|0|1/5",
                           "|Left|12|1/70|Variable|1|Fast|Sharp"}}) {
        ChannelModel m;
        m.NumNotchAuto = {static_cast<std::int16_t>(c.autoLeft), 12};
        m.QNotchAuto[0] = static_cast<std::int16_t>(c.qAuto);
        m.AttenuationNotch[0] = 1;
        m.Sensitivity[0] = static_cast<std::int16_t>(c.sensitivity);
        m.ReleaseNotch[0] = static_cast<std::int16_t>(c.release);
        std::tie(m.NotchFrequency[1], m.NotchGainDb[1], m.NotchQ[1]) =
            std::tuple(c.frequency, c.gain, c.q);
        const ExportSheet sheet = MakeExportSheet(m, "05: Stage", when);
        EXPECT_EQ(std::tuple(sheet.preset, sheet.date, sheet.notches.rows.size()),
                  std::tuple("Preset: 05: Stage", "Exported 2026-03-04 09:05", 24u));
        EXPECT_EQ(cells(sheet.notches.rows[1]), c.notch2);
        EXPECT_EQ(sheet.notches.rows[23][2], "automatic");
        EXPECT_EQ(cells(sheet.automatic.rows[0]), c.leftSettings);
        EXPECT_EQ(cells(sheet.automatic.rows[1]), "|Right|12|1/70|Fixed|1|Slow|Sharp");
    }
    using F = std::optional<SheetFormat>;
    for (const auto& [name, format] :
         std::vector<std::pair<const char*, F>>{{"a.PNG", SheetFormat::Png},
                                                {"/x/b.svg", SheetFormat::Svg},
                                                {"c.Pdf", SheetFormat::Pdf},
                                                {"d.png.txt", F()},
                                                {"/e.pdf/sheet", F()},
                                                {"sheet", F()}}) {
        EXPECT_EQ(SheetFormatOf(name), format) << name;
    }
}

// A sheet that could not be drawn, or a name of no kind of sheet, is not a file: the user is
// told and nothing is left. (The files drawn: blackbox_crisp.)
TEST_F(Presets, AnExportThatCannotBeDrawnWritesNothingAndSaysSo) {
    std::optional<std::string> drawn;
    const DrawSheet draw = [&](const ExportSheet&, SheetFormat) { return drawn; };
    for (const char* name : {"a.svg", "b.pdf", "c.txt"}) {
        p.fileDialogs.paths = {Utf8FromPath(file(name))};
        ExportCurves(program, draw);
        drawn = "%PDF-";
    }
    EXPECT_EQ(boxes(),
              (Texts{" Error:  File not saved: the curves could not be drawn.",
                     " Error:  File not saved: the name must end in .png, .svg or .pdf."}));
    EXPECT_EQ(
        std::tuple(fs::exists(file("a.svg")), readFile(file("b.pdf")), fs::exists(file("c.txt"))),
        std::tuple(false, Bytes{'%', 'P', 'D', 'F', '-'}, false));
    EXPECT_EQ(p.fileDialogs.requests.back().filter, kSheetFilter);
}

TEST_F(Presets, NamesHoldOnlyWhatTheUnitCanStoreAndShowAsStoredOrRead) {
    EXPECT_EQ(program.presets.PresetNames[5], "caf\u00E9    ");
    p.host.onStore = [&](FrmStore& f) {
        f.Text1.SetText("");
        f.Text1.UserType("\u0142\u00F3d\u017A\u20AC");  // łódź€: the unit has ó, ž and €, not ł
        EXPECT_EQ(f.Text1.Text(), "\u00F3d\u20AC");
        f.Text1.UserEdit("\u4E2Dx\u0142y", 4);  // pasted, caret after the 'x'
        EXPECT_EQ(std::pair(f.Text1.Text(), f.Text1.SelStart()), std::pair(std::string("xy"), 1ul));
        f.Text1.SetText("");
        f.Text1.UserType("\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9");
        EXPECT_EQ(Utf8Length(f.Text1.Text()), 8u);
        f.Text1.SetText("\u00F3d\u20AC");
        f.Command1[1].UserClick();
    };
    p.dialogs.answers = {Answer::Yes};
    click(2);
    EXPECT_EQ(Bytes(unit.memory.begin() + 3872, unit.memory.begin() + 3880),
              (Bytes{' ', ' ', ' ', 0xF3, 'd', 0x80, ' ', ' '}));
    EXPECT_EQ(std::tuple(program.presets.PresetNames[4], eq().Label8.Caption()),
              std::tuple("\u00F3d\u20AC", "5: \u00F3d\u20AC"));
    p.dialogs.answers = {Answer::Yes};
    p.host.onRead = [](FrmRead& f) { f.List1.UserDoubleClick(0); };
    click(3);
    EXPECT_EQ(eq().Label8.Caption(), "1: Preset01");
}

// Another preset's curve shows under the live one, in the channel's second colour, where the
// two differ; nothing goes to the unit, and once cleared the canvases are as they were. A file
// the editor would refuse is refused the same way. (A stored preset: blackbox_compare.)
TEST(Comparison, DrawsUnderTheLiveCurveSendsNothingAndClearsToWhatWasThere) {
    test::Starting s;
    s.unit.attach(s.p.port);
    s.start();
    const ResponseGraph& graph = s.program.graph;
    const auto bits = [&](int ch) {
        const std::uint32_t* b = graph.Picture1(ch).Bits();
        return std::vector<std::uint32_t>(b, b + Canvas::Width * Canvas::Height);
    };
    const auto count = [&](int ch, Canvas::Rgb c) {
        int n = 0;
        for (int y = 0; y < Canvas::Height; ++y)
            for (int x = 0; x < Canvas::Width; ++x) n += graph.Picture1(ch).Pixel(x, y) == c;
        return n;
    };
    const std::array before{bits(0), bits(1)};
    PresetImage other = s.program.channels.image;
    other[NotchOffset[13]] = 20;  // Right notch 2 at -25 dB
    test::writeFile(s.file("other.Fbk"), test::Bytes(other.begin(), other.end()));
    test::writeFile(s.file("short.Fbk"), test::Bytes(100));
    MDIFrmMain& main = s.program.mainWindow;
    // The file, the box it brings; the comparison is other.Fbk's in both cases.
    for (const auto& [file, box] :
         {std::pair<const char*, Texts>{"other.Fbk", {}},
          {"short.Fbk", {" Error:  Not a preset file: it holds fewer than 161 bytes."}}}) {
        SCOPED_TRACE(file);
        s.p.port.writes.clear();
        s.p.dialogs.shown.clear();
        s.p.fileDialogs.paths = {s.file(file).string()};
        main.CompareMenu[0].UserClick();
        EXPECT_EQ(std::tuple(s.boxes(), s.p.port.writes.size(), main.Label1.Caption()),
                  std::tuple(box, 0u, "Compared with: other.Fbk"));
        EXPECT_EQ(
            std::pair(count(0, graph.CompareColor[0]) > 0, count(1, graph.CompareColor[1]) > 0),
            std::pair(false, true));
        for (int ch : {0, 1}) {  // the live curve keeps every pixel
            const auto was = before[static_cast<std::size_t>(ch)], now = bits(ch);
            for (std::size_t i = 0; i < was.size(); ++i) {
                if (was[i] == 0xFFFF0000u || was[i] == 0xFF0000FFu) {
                    ASSERT_EQ(now[i], was[i]) << ch;
                }
            }
        }
    }
    main.CompareMenu[2].UserClick();
    EXPECT_EQ(std::tuple(bits(0), bits(1), main.Label1.Caption()),
              std::tuple(before[0], before[1], ""));
}

TEST(Text, Windows1252AndUtf8) {
    // Single characters are pinned where names are stored and read, above.
    std::string all;
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(ToWindows1252(FromWindows1252(static_cast<std::uint8_t>(b))), b) << b;
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Utf8Length(TextFromWindows1252(all)), 256u);
    // Broken UTF-8 decodes one byte at a time, so nothing reads past the end.
    EXPECT_EQ(Utf8Length("a\xC3\xE2\x82\xF0\x9F\x98"), 7u);
}

}  // namespace
}  // namespace vx470
