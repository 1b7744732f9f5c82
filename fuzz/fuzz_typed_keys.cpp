// Whatever the user types into the editor's gain, frequency and sensitivity boxes and into
// the name box of the store dialog.
//
// Input: a set-up byte (linked or not), a byte for the automatic notch counts, then segments:
// a box byte (gain, frequency, sensitivity or store name), an index byte (notch, channel or
// position), a length byte and that many keys. Every segment ends with Enter; a store
// segment then stores and ends the input (a store is some 170 transactions: one an input).

#include "core/presets/frm_store.h"
#include "core/text/utf8.h"
#include "core/text/windows1252.h"
#include "fuzz/harness.h"

using namespace vx470;
using namespace vx470::fuzz;

// Stores at position `k` under the name typed with `keys`: the name box takes at most eight
// characters the unit has codes for, and the unit gets them centred with blanks, the odd
// blank in front.
static void store(FuzzProgram& fp, int k, std::span<const std::uint8_t> keys) {
    std::string name;
    fp.fakes.host.onStore = [&](FrmStore& form) {
        form.List1.UserDoubleClick(k);
        for (std::uint8_t key : keys)
            Require(fp.sent([&] { form.Text1.UserKey(key); }).empty(), "a name key sent a frame");
        form.Text1.UserKey(Key::Enter);
        name = form.Text1.Text();
        form.Command1[1].UserClick();  // "Are you sure ?" is answered Yes
        Require(form.Unloaded(), "the store dialog stayed open");
    };
    const auto written = fp.sent([&] { fp.program.mainWindow.Command1_Click(2); });
    fp.fakes.host.onStore = nullptr;

    const std::string& stored = fp.program.presets.PresetNames[at(k + 4)];
    // What the box holds, as the unit's codes: it takes nothing the unit cannot store.
    std::string codes;
    for (std::size_t i = 0; i < name.size();) {
        const auto code = ToWindows1252(DecodeUtf8(name, i));
        Require(code.has_value(), "the name box holds a character the unit has no code for");
        codes.push_back(static_cast<char>(code.value_or('?')));
    }
    Require(codes.size() <= 8 && stored == name && fp.program.presets.PresetUsed[at(k + 4)], [&] {
        return "the name box holds \"" + name + "\", PresetNames \"" + stored + "\" or unused";
    });
    const std::size_t front = (9 - codes.size()) / 2;
    const std::string centred =
        std::string(front, ' ') + codes + std::string(8 - codes.size() - front, ' ');
    std::string sent;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const Bytes& f = written[i];
        const int address = (f[3] << 8 | f[4]) - 3872 - 8 * k;
        if (f[2] != Command::WriteByte || address < 0 || address >= 8) continue;
        Require(address == static_cast<int>(sent.size()), "name bytes out of order");
        sent.push_back(static_cast<char>(f[6]));
    }
    Require(sent == centred,
            [&] { return "the store wrote \"" + sent + "\", not the centred name"; });
}

int vx470::fuzz::FuzzOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kMaxSegments = 8;
    FuzzInput in{data, size};
    const std::uint8_t setup = in.byte(), counts = in.byte();
    FuzzProgram& fp =
        FuzzProgram::WithImage(ImageWithAutomaticNotches(1 + counts % 12, 1 + counts / 12 % 12));
    if ((setup & 1) != 0) fp.link();

    const PresetImage& im = fp.program.channels.image;
    FrmEq& eq = fp.program.frmEq;
    TextsToSkip skip;
    // The frame of an entry's own row or channel, then its partner's when linked.
    const auto linked = [&] { return fp.program.channels.LinkChannels != 0; };
    const auto withPartner = [&](const test::FrameBytes& own, const test::FrameBytes& partner) {
        return ExpectedFrames{{own, partner}, linked() ? 2u : 1u};
    };
    const auto notch = [&](int n) { return NotchFrame(n, &im[at(NotchOffset[at(n)])]); };
    const auto section = [&](int ch) {
        const std::size_t c = at(ch);
        return test::frameBytes({Command::AutoSection, ch + 1, im[at(NumAutoOffset[c])],
                                 im[at(QAutoOffset[c])], im[at(AttenuationOffset[c])],
                                 im[at(SensitivityOffset[c])], 0});
    };
    // Types the keys and a last Enter into an editor box. Other keys send nothing; an Enter
    // the box refuses shows a warning, leaves "?" and sends nothing; an Enter it takes sends
    // what `taken` returns. Returns whether the box shows its own value again: the last
    // Enter was taken, or the box is closed.
    // The text before an Enter, in a buffer kept between inputs.
    static std::string text;
    const auto entry = [&](TextBox& box, std::span<const std::uint8_t> keys, const auto& taken) {
        bool accepted = true;
        for (std::size_t i = 0; i <= keys.size(); ++i) {
            const int k = i < keys.size() ? keys[i] : Key::Enter;
            const bool enter = k == Key::Enter && box.EffectiveEnabled();
            const std::size_t boxes = fp.fakes.dialogs.shown.size();
            // Only an Enter may change the text in a way worth comparing: copy it just then.
            if (enter) text = box.Text();
            accepted = !box.EffectiveEnabled();
            const auto written = fp.sent([&] { box.UserKey(k); });
            const bool warned = enter && fp.fakes.dialogs.shown.size() != boxes;
            Require(!warned || (box.Text().size() == text.size() + 1 && box.Text().back() == '?' &&
                                box.Text().starts_with(text)),
                    "a refused Enter did not leave \"?\"");
            accepted = accepted || (enter && !warned);
            Require(enter && !warned ? written == taken() : written.empty(), [&] {
                return "key " + std::to_string(k) + " sent " + std::to_string(written.size()) +
                       " frames, not its entry's own and its partner's";
            });
        }
        return accepted;
    };

    for (int segment = 0; segment < kMaxSegments && !in.empty(); ++segment) {
        const int box = in.byte() % 4;  // gain, frequency, sensitivity, store name
        const std::uint8_t index = in.byte();
        const auto keys = in.bytes(in.byte());
        if (box == 2) {
            const int ch = index % kChannels;
            skip.sensitivity[at(ch)] = !entry(eq.Text4[at(ch)], keys, [&] {
                if (linked()) skip.sensitivity[at(1 - ch)] = false;
                return withPartner(section(ch), section(1 - ch));
            });
        } else if (box == 3) {
            store(fp, index % 16, keys);
            CheckEditorMatchesImage(fp.program, skip);
            return 0;
        } else {
            const int n = index % kNotches;
            // A closed row's box is never skipped: the typing does not open or close rows.
            (box == 0 ? skip.gain : skip.frequency)[at(n)] =
                !entry(box == 0 ? eq.Text1[at(n)] : eq.Text2[at(n)], keys, [&] {
                    // The row's send rewrites both its texts from its bars, and the partner's too.
                    for (int m : {n, linked() ? PartnerNotch(n) : n}) {
                        skip.gain[at(m)] = skip.frequency[at(m)] = false;
                    }
                    return withPartner(notch(n), notch(PartnerNotch(n)));
                });
        }
        CheckEditorMatchesImage(fp.program, skip);
    }
    return 0;
}
