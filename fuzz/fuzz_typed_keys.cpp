// Whatever the user types into the editor's gain, frequency and sensitivity boxes and into
// the name box of the store dialog.
//
// Input: a set-up byte (linked or not), a byte for the automatic notch counts, then segments:
// a box byte (gain, frequency, sensitivity or store name), an index byte (notch, channel or
// position), a length byte and that many keys. Every segment ends with Enter; a store
// segment then stores.

#include <string>

#include "core/presets/frm_store.h"
#include "core/shell/tables.h"
#include "fuzz/harness.h"

namespace vx470::fuzz {
namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}
constexpr int kMaxSegments = 32;

enum class Box { Gain, Frequency, Sensitivity, StoreName };

class Typing {
  public:
    Typing(FuzzProgram& fp) : fp_(fp), program_(fp.program), eq_(fp.program.frmEq) {}

    void typeInto(TextBox& box, const Bytes& keys) {
        for (std::uint8_t k : keys) {
            const std::size_t first = fp_.fakes.port.writes.size();
            box.UserKey(k);
            Require(fp_.fakes.port.writes.size() == first,
                    "key " + std::to_string(k) + " sent a frame");
        }
    }

    // Types the keys and a last Enter into an editor box. Other keys send nothing; an Enter
    // the box refuses shows a warning, leaves "?" and sends nothing; an Enter it takes sends
    // what `taken` expects. Returns whether the last Enter was taken.
    template <typename Taken>
    bool entry(TextBox& box, Bytes keys, Taken taken) {
        keys.push_back(Key::Enter);
        bool accepted = false;
        for (std::uint8_t k : keys) {
            const std::size_t first = fp_.fakes.port.writes.size();
            const std::size_t boxes = fp_.fakes.dialogs.shown.size();
            const std::string text = box.Text();
            const bool open = box.EffectiveEnabled();
            box.UserKey(k);
            const bool warned = fp_.fakes.dialogs.shown.size() != boxes;
            if (k != Key::Enter || !open) {
                Require(fp_.fakes.port.writes.size() == first,
                        "key " + std::to_string(k) + " sent a frame");
                accepted = !open;
                continue;
            }
            accepted = !warned;
            if (warned) {
                Require(box.Text() == text + "?", "a refused Enter did not leave \"?\"");
                Require(fp_.fakes.port.writes.size() == first, "a refused entry sent a frame");
                continue;
            }
            taken(first);
        }
        return accepted;
    }

    // The frames of an accepted entry: its own, then its partner's when linked.
    void checkNotchFrames(std::size_t first, int n) {
        const auto written = fp_.framesSince(first);
        std::vector<Bytes> expected{notchFrame(n)};
        if (program_.channels.LinkChannels != 0) expected.push_back(notchFrame(PartnerNotch(n)));
        Require(written == expected, "an entry in row " + std::to_string(n) + " sent " +
                                         std::to_string(written.size()) +
                                         " frames, not its own and its partner's");
    }

    void checkSectionFrames(std::size_t first, int ch) {
        const auto written = fp_.framesSince(first);
        std::vector<Bytes> expected{sectionFrame(ch)};
        if (program_.channels.LinkChannels != 0) expected.push_back(sectionFrame(1 - ch));
        Require(written == expected, "a sensitivity entry sent " + std::to_string(written.size()) +
                                         " frames, not its channel's and its partner's");
    }

    void row(Box kind, int n, const Bytes& keys) {
        TextBox& box = kind == Box::Gain ? eq_.Text1[at(n)] : eq_.Text2[at(n)];
        const bool open = box.EffectiveEnabled();
        const bool accepted = entry(box, keys, [&](std::size_t first) {
            checkNotchFrames(first, n);
            // The row's send rewrites both its texts from its bars, and the partner's too.
            for (int m : {n, PartnerNotch(n)}) {
                if (m != n && program_.channels.LinkChannels == 0) continue;
                skip_.gain[at(m)] = false;
                skip_.frequency[at(m)] = false;
            }
        });
        if (open) (kind == Box::Gain ? skip_.gain : skip_.frequency)[at(n)] = !accepted;
    }

    void sensitivity(int ch, const Bytes& keys) {
        const bool accepted = entry(eq_.Text4[at(ch)], keys, [&](std::size_t first) {
            checkSectionFrames(first, ch);
            skip_.sensitivity[at(ch)] = false;
            if (program_.channels.LinkChannels != 0) skip_.sensitivity[at(1 - ch)] = false;
        });
        skip_.sensitivity[at(ch)] = !accepted;
    }

    void store(int k, const Bytes& keys) {
        std::string name;
        fp_.fakes.host.onStore = [&](FrmStore& form) {
            form.List1.UserDoubleClick(k);
            typeInto(form.Text1, keys);
            form.Text1.UserKey(Key::Enter);
            name = form.Text1.Text();
            form.Command1[1].UserClick();  // "Are you sure ?" is answered Yes
            Require(form.Unloaded(), "the store dialog stayed open");
        };
        const std::size_t first = fp_.fakes.port.writes.size();
        program_.mainWindow.Command1_Click(2);
        fp_.fakes.host.onStore = nullptr;

        const int p = k + 4;
        Require(name.size() <= 8, "the name box holds " + std::to_string(name.size()) + " bytes");
        const std::string& stored = program_.presets.PresetNames[at(p)];
        Require(stored == name, "PresetNames does not hold the name as typed");
        Require(stored.size() <= 8,
                "PresetNames holds " + std::to_string(stored.size()) + " bytes");

        // Eight name bytes, centred with blanks, the odd blank in front.
        const std::size_t before = (8 - name.size() + 1) / 2;
        const std::string centred =
            std::string(before, ' ') + name + std::string(8 - name.size() - before, ' ');
        std::string sent;
        for (const Bytes& f : fp_.framesSince(first)) {
            const int address = f[3] << 8 | f[4];
            if (f[2] == Command::WriteByte && address >= 3872 + 8 * k && address < 3880 + 8 * k) {
                Require(address == 3872 + 8 * k + static_cast<int>(sent.size()),
                        "name bytes out of order");
                sent.push_back(static_cast<char>(f[6]));
            }
        }
        Require(sent.size() == 8, "the store wrote " + std::to_string(sent.size()) + " name bytes");
        Require(sent == centred, "the name bytes are not the centred name");
        Require(program_.presets.PresetUsed[at(p)], "the stored slot is not marked used");
        Require(fp_.framesSince(first).size() == 169, "a store is 169 frames");
    }

    const TextsToSkip& skip() const { return skip_; }

  private:
    Bytes notchFrame(int n) const {
        const PresetImage& im = program_.channels.image;
        const std::size_t r = at(NotchOffset[at(n)]);
        return test::frame({Command::NotchFilter, ChannelOfNotch(n), FilterOfNotch(n), im[r + 1],
                            im[r + 2], im[r + 3], im[r]});
    }
    Bytes sectionFrame(int ch) const {
        const PresetImage& im = program_.channels.image;
        const std::size_t c = at(ch);
        return test::frame({Command::AutoSection, ch + 1, im[at(NumAutoOffset[c])],
                            im[at(QAutoOffset[c])], im[at(AttenuationOffset[c])],
                            im[at(SensitivityOffset[c])], 0});
    }

    FuzzProgram& fp_;
    Program& program_;
    FrmEq& eq_;
    TextsToSkip skip_;
};

}  // namespace
}  // namespace vx470::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx470;
    using namespace vx470::fuzz;

    FuzzInput in(data, size);
    const std::uint8_t setup = in.byte();
    const std::uint8_t counts = in.byte();
    FuzzProgram fp(ImageWithAutomaticNotches(1 + counts % 12, 1 + (counts / 12) % 12));
    if ((setup & 1) != 0) {
        fp.program.frmEq.Check2.UserClick();  // the link question is answered Yes
        Require(fp.program.channels.LinkChannels == 1, "the channels did not link");
    }
    CheckEditorMatchesImage(fp.program);

    Typing typing(fp);
    for (int segment = 0; segment < kMaxSegments && !in.empty(); ++segment) {
        const auto box = static_cast<Box>(in.byte() % 4);
        const std::uint8_t index = in.byte();
        const Bytes keys = in.bytes(in.byte());
        switch (box) {
            case Box::Gain:
            case Box::Frequency:
                typing.row(box, index % kNotches, keys);
                break;
            case Box::Sensitivity:
                typing.sensitivity(index % kChannels, keys);
                break;
            case Box::StoreName:
                typing.store(index % 16, keys);
                break;
        }
        CheckEditorMatchesImage(fp.program, typing.skip());
    }
    return 0;
}
