#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"
#include "core/program_end.h"
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;
using test::readFile;
using test::shown;
using test::Texts;
using test::writeFile;

// A program started against a unit whose preset 5 is used.
class Presets : public test::StartingProgram {
  protected:
    Presets() {
        unit.usePreset(5, "  Live  ");
        unit.running[76] = 2;
        unit.attach(p.port);
        start();
        p.port.writes.clear();
    }
};

TEST_F(Presets, ReadListsAllTwentyRefusesAnEmptyOneAndAppliesTheBlockWithoutEcho) {
    p.host.onRead = [&](FrmRead& f) {
        ASSERT_EQ(f.List1.Items().size(), 20u);
        EXPECT_EQ(f.List1.ListIndex(), 0);
        EXPECT_EQ((Texts{f.List1.Items()[4], f.List1.Items()[5]}), (Texts{"  Live  ", " Empty  "}));
        f.List1.UserDoubleClick(5);
        EXPECT_FALSE(f.Unloaded());
        f.Command1[0].UserClick();
    };
    click(3);
    EXPECT_EQ(boxes(true), Texts{"Read Preset: Preset empty (x) [OK]"});
    EXPECT_TRUE(frames().empty());
    p.host.onRead = [&](FrmRead& f) { f.List1.UserDoubleClick(0); };
    click(3);
    EXPECT_EQ(frames(), FrameList{frame({11, 0})});
    EXPECT_EQ(eq().Label8.Caption(), "1: Preset01");

    unit.running[76] = 7;
    eq().Check2.UserClick();  // linked (the copy question answered Yes)
    ASSERT_EQ(program.channels.LinkChannels, 1);
    p.port.writes.clear();
    p.dialogs.shown.clear();
    p.dialogs.answers = {Answer::No, Answer::Yes};
    p.host.onRead = [&](FrmRead& f) {
        f.List1.UserSelect(19);
        f.Command1[1].UserClick();  // No: stays open
        EXPECT_FALSE(f.Unloaded());
        f.Command1[1].UserClick();
        EXPECT_EQ(f.Caption(), "Reading Preset......");
    };
    program.presets.PresetUsed[19] = true;
    click(3);
    EXPECT_EQ(p.dialogs.shown[0].text,
              "Overwrite current editing with the preset 20, are you sure ? ");
    EXPECT_EQ(frames(), FrameList{frame({11, 19})});
    EXPECT_EQ(shown(eq().Label3[0], eq().Label8, eq().Label7),
              (Texts{"7", "20:  Empty  ", "Preset loaded from Device"}));
    EXPECT_EQ(std::tuple(image(76), program.channels.LinkChannels, eq().Check2.Value()),
              std::tuple(7, 0, 0));
    EXPECT_EQ(p.port.inBufferSize, 10u);
}

TEST_F(Presets, CentreNamePutsTheOddBlankInFront) {
    FrmStore form(program);
    const std::pair<std::string, std::string> cases[] = {
        {"", "        "},       {"a", "    a   "},       {"ab", "   ab   "},
        {"abc", "   abc  "},    {"abcd", "  abcd  "},    {"abcde", "  abcde "},
        {"abcdef", " abcdef "}, {"abcdefg", " abcdefg"}, {"abcdefgh", "abcdefgh"}};
    for (auto [in, out] : cases) {
        std::string name = in;
        form.CentreName(name);
        EXPECT_EQ(name, out) << in;
        EXPECT_EQ(std::string(form.NameCodes.begin(), form.NameCodes.end()), out) << in;
    }
}

TEST_F(Presets, StoreWritesImageThenNameThenTheMarkLast) {
    std::vector<int> progress;
    p.dialogs.answers = {Answer::Yes};
    p.host.onStore = [&](FrmStore& f) {
        EXPECT_EQ(f.Text1.Text(), "  Live  ");  // row 0 and its name
        EXPECT_EQ(f.Combo1.Items().front(), "05");
        EXPECT_EQ(f.Combo1.Items().back(), "20");
        f.ProgressBar1.View = [&](ViewUpdate) { progress.push_back(f.ProgressBar1.Value()); };
        f.Combo1.UserSelect(15);  // "20": the name box keeps row 0's name...
        f.Text1.SetText("");
        f.Text1.UserType("ab");  // ...until the user types one
        f.Command1[1].UserClick();
    };
    click(2);
    FrameList expected;
    for (int i = 0; i < 160; ++i)
        expected.push_back(frame({17, (2688 + i) >> 8, (2688 + i) & 0xFF, 0, image(i)}));
    for (int i = 0; i < 8; ++i)
        expected.push_back(frame({17, (3992 + i) >> 8, (3992 + i) & 0xFF, 0, "   ab   "[i]}));
    expected.push_back(frame({17, 0, 63, 0, 0x55}));
    EXPECT_EQ(frames(), expected);
    EXPECT_EQ(std::string(unit.memory.begin() + 3992, unit.memory.begin() + 4000), "   ab   ");
    EXPECT_EQ(std::tuple(program.presets.PresetNames[19], program.presets.PresetUsed[19]),
              std::tuple(std::string("ab"), true));
    EXPECT_EQ(eq().Label8.Caption(), "20: ab");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(*std::max_element(progress.begin(), progress.end()), 168);
    EXPECT_EQ(progress.back(), 0);
}

TEST_F(Presets, AStoreCutOffByTheLineLeavesTheSlotUnmarked) {
    unit.answers = 100;
    p.dialogs.answers = {Answer::Yes};
    p.host.onStore = [&](FrmStore& f) {
        f.List1.UserDoubleClick(2);  // preset 7
        EXPECT_EQ(f.Combo1.ListIndex(), 2);
        f.Command1[1].UserClick();
    };
    EXPECT_THROW(click(2), ProgramEnd);
    EXPECT_EQ(p.dialogs.shown.back().text, "Time out");
    EXPECT_EQ(unit.memory[50], 0xFF);
}

TEST_F(Presets, AReadCutOffByTheLineKeepsTheImage) {
    eq().HScroll20[11].UserSetValue(3);
    unit.answers = 0;
    const PresetImage before = program.channels.image;
    p.dialogs.answers = {Answer::Yes};
    p.host.onRead = [](FrmRead& f) { f.List1.UserDoubleClick(4); };
    EXPECT_THROW(click(3), ProgramEnd);
    EXPECT_EQ(p.dialogs.shown.back().text, "Time out");
    EXPECT_EQ(program.channels.image, before);
}

TEST_F(Presets, DemoStoreAndReadTouchOnlyTheLabelsAndLists) {
    program.link.DemoMode = true;
    p.dialogs.answers = {Answer::Yes, Answer::Yes};
    p.host.onStore = [&](FrmStore& f) { f.Command1[1].UserClick(); };
    click(2);
    EXPECT_TRUE(program.presets.PresetUsed[4]);
    p.host.onRead = [&](FrmRead& f) { f.List1.UserDoubleClick(4); };
    click(3);
    EXPECT_EQ(eq().Label8.Caption(), "5:   Live  ");
    EXPECT_TRUE(frames().empty());
}

TEST_F(Presets, SaveThenLoadGivesTheSameBytesIncludingTheSpare) {
    program.channels.image[160] = 0xA5;
    program.channels.image[3] = 0x42;  // a device byte the editor never decodes
    const PresetImage saved = program.channels.image;
    std::filesystem::create_directory(file("Preset"));
    p.fileDialogs.paths = {file("Preset/live.Fbk").string(), file("Preset/live.Fbk").string()};
    click(1);
    EXPECT_EQ(readFile(file("Preset/live.Fbk")), Bytes(saved.begin(), saved.end()));
    EXPECT_TRUE(frames().empty());
    program.channels.image.fill(0);
    click(0);
    EXPECT_EQ(program.channels.image, saved);
    EXPECT_EQ(shown(eq().Label7, eq().Label8), (Texts{"Preset loaded from PC", "live.Fbk"}));
    EXPECT_EQ(frames().size(), 36u);  // every notch and channel setting reaches the unit
    ASSERT_EQ(p.fileDialogs.requests.size(), 2u);
    for (const auto& r : p.fileDialogs.requests) {
        EXPECT_EQ(r.filter, "file preset (*.Fbk)|*.Fbk");
        EXPECT_EQ(r.initialFolder, file("Preset").string());
        EXPECT_TRUE(r.confirmOverwrite);
    }
}

TEST_F(Presets, LoadRefusesShortOrMissingFilesAndTakes161BytesOfALongerOne) {
    Bytes longFile(200, 45);
    std::copy(DefaultImage.begin(), DefaultImage.end(), longFile.begin());
    longFile[160] = 7;
    writeFile(file("long.Fbk"), longFile);
    writeFile(file("short.Fbk"), Bytes(100, 1));
    eq().Check2.SetValue(1);  // linked: the question, answered Yes
    p.port.writes.clear();
    p.dialogs.shown.clear();
    const PresetImage before = program.channels.image;
    p.fileDialogs.paths = {file("short.Fbk").string(), file("nowhere.Fbk").string(), "", "",
                           file("long.Fbk").string()};
    for (int i = 0; i < 3; ++i) click(0);  // short, missing, cancelled
    click(1);                              // cancelled
    EXPECT_EQ(program.channels.image, before);
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(boxes(true),
              (Texts{" Error:  Not a preset file: it holds fewer than 161 bytes. (!) [OK]",
                     " Error:  File not found. Try again. (!) [OK]"}));
    EXPECT_EQ(std::tuple(program.channels.LinkChannels, eq().Label8.Caption()),
              std::tuple(1, std::string("")));
    click(0);
    EXPECT_EQ(image(160), 7);
    EXPECT_EQ(std::tuple(program.channels.LinkChannels, eq().Check2.Value(), eq().Label8.Caption()),
              std::tuple(0, 0, "long.Fbk"));
}

}  // namespace
}  // namespace vx470
