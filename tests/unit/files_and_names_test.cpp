#include <filesystem>

#include "core/presets/frm_store.h"
#include "core/text/utf8.h"
#include "core/text/windows1252.h"
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::readFile;
using test::Texts;
using test::writeFile;

// A started program whose slot 6 holds a name with a letter beyond ASCII.
class FilesAndNames : public test::StartingProgram {
  protected:
    FilesAndNames() {
        unit.usePreset(6, "caf\xE9    ");
        unit.attach(p.port);
        start();
        p.port.writes.clear();
    }
    fs::path file(const char* name) const { return dir.path() / PathFromUtf8(name); }
    void save(const fs::path& f) {
        p.fileDialogs.paths = {Utf8FromPath(f)};
        click(1);
    }
    void load(const fs::path& f) {
        p.fileDialogs.paths = {Utf8FromPath(f)};
        click(0);
    }
    std::vector<fs::path> folder() const {
        std::vector<fs::path> names;
        for (const auto& e : fs::directory_iterator(dir.path()))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FilesAndNames, TheDialogsOpenInAFolderThatIsThere) {
    save("");
    fs::create_directory(dir.path() / "Preset");
    load("");
    ASSERT_EQ(p.fileDialogs.requests.size(), 2u);
    EXPECT_EQ(p.fileDialogs.requests[0].initialFolder, dir.path().string());
    EXPECT_EQ(p.fileDialogs.requests[1].initialFolder, (dir.path() / "Preset").string());
}

TEST_F(FilesAndNames, ASaveReplacesOnlyWhatTheUserCouldChange) {
    const fs::path kept = file("keep.Fbk"), readOnly = file("locked.Fbk"), target = file("t.Fbk");
    writeFile(kept, Bytes(300, 9));
    writeFile(file("keep.Fbk.saving"), Bytes(3, 1));  // the user's own file of that name
    writeFile(readOnly, Bytes(200, 7));
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    writeFile(target, Bytes(5, 5));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("t.Fbk", file("link.Fbk"));
    fs::create_directory(file("folder.Fbk"));

    save(kept);
    save(readOnly);
    save(file("link.Fbk"));
    save(file("folder.Fbk"));
    save(file("missing/x.Fbk"));
    EXPECT_EQ(boxes(), (Texts{" Error:  File not saved: the file there is read-only.",
                              " Error:  File not saved: the name is not that of a file.",
                              " Error:  File not saved. Try again."}));
    const Bytes image(program.channels.image.begin(), program.channels.image.end());
    EXPECT_EQ(readFile(kept), image);
    EXPECT_EQ(readFile(file("keep.Fbk.saving")), Bytes(3, 1));
    EXPECT_EQ(readFile(readOnly), Bytes(200, 7));
    EXPECT_TRUE(fs::is_symlink(file("link.Fbk")));
    EXPECT_EQ(readFile(target), image);
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Each written file went to the disk under a name of its own, and nothing is left over.
    ASSERT_EQ(p.host.flushed.size(), 2u);
    EXPECT_NE(PathFromUtf8(p.host.flushed[0]), kept);
    EXPECT_EQ(folder(),
              (std::vector<fs::path>{"folder.Fbk", "init.cfg", "keep.Fbk", "keep.Fbk.saving",
                                     "link.Fbk", "locked.Fbk", "t.Fbk"}));
    EXPECT_TRUE(frames().empty());
}

TEST_F(FilesAndNames, AFileThatCannotBeReadSaysSoAndAnyNameShowsAsSpelt) {
    const std::string before = eq().Text1[4].Text();
    fs::create_directory(file("folder.Fbk"));
    load(file("folder.Fbk"));
    load(file("nowhere.Fbk"));
    EXPECT_EQ(boxes(), (Texts{" Error:  File cannot be read. Try again.",
                              " Error:  File not found. Try again."}));
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(eq().Text1[4].Text(), before);

    PresetImage image = test::defaultImage();
    image[44] = 20;
    writeFile(file("caf\u00E9 \u0142.Fbk"), Bytes(image.begin(), image.end()));
    load(file("caf\u00E9 \u0142.Fbk"));
    EXPECT_EQ(eq().Label8.Caption(), "caf\u00E9 \u0142.Fbk");
    EXPECT_EQ(eq().Text1[4].Text(), "-25");
}

TEST_F(FilesAndNames, NamesHoldOnlyWhatTheUnitCanStoreAndComeBackAsStored) {
    EXPECT_EQ(program.presets.PresetNames[5], "caf\u00E9    ");
    p.host.onStore = [&](FrmStore& f) {
        f.Text1.SetText("");
        f.Text1.UserType("\u0142\u00F3d\u017A\u20AC");  // łódź€: the unit has ó, ž and €, not ł
        EXPECT_EQ(f.Text1.Text(), "\u00F3d\u20AC");
        f.Text1.UserEdit("\u4E2Dx\u0142y", 4);  // pasted, caret after the 'x'
        EXPECT_EQ(std::pair(f.Text1.Text(), f.Text1.SelStart()), std::pair(std::string("xy"), 1ul));
        f.Text1.SetText("");
        f.Text1.UserType("\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9");
        f.Text1.UserKey(Key::Backspace);  // eight characters were taken, one goes
        EXPECT_EQ(f.Text1.Text(), "\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9");
        f.Text1.SetText("\u00F3d\u20AC");
        f.Command1[1].UserClick();
    };
    p.dialogs.answers = {Answer::Yes};
    click(2);
    EXPECT_EQ(Bytes(unit.memory.begin() + 3872, unit.memory.begin() + 3880),
              (Bytes{' ', ' ', ' ', 0xF3, 'd', 0x80, ' ', ' '}));
    EXPECT_EQ(program.presets.PresetNames[4], "\u00F3d\u20AC");
    EXPECT_EQ(eq().Label8.Caption(), "5: \u00F3d\u20AC");
}

TEST(Text, Windows1252AndUtf8) {
    const std::pair<char32_t, int> codes[] = {{U'A', 'A'},  {U'é', 0xE9}, {U'€', 0x80},
                                              {U'Ÿ', 0x9F}, {U'中', -1},  {U'\U0001F600', -1}};
    for (auto [c, b] : codes) EXPECT_EQ(ToWindows1252(c) ? *ToWindows1252(c) : -1, b) << b;
    std::string all;
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(ToWindows1252(FromWindows1252(static_cast<std::uint8_t>(b))), b) << b;
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Utf8Length(TextFromWindows1252(all)), 256u);
    // Broken UTF-8 decodes one byte at a time, so nothing reads past the end.
    const std::string broken = "a\xC3\xE2\x82\xF0\x9F\x98";
    EXPECT_EQ(Utf8Length(broken), 7u);
    EXPECT_EQ(Utf8Prefix("\u00E9\u20ACz", 2), "\u00E9\u20AC");
    EXPECT_EQ(PreviousUtf8("a\u20AC", 4), 1u);
}

}  // namespace
}  // namespace vx470
