#include <algorithm>
#include <string>

#include "core/program.h"
#include "core/shell/mdi_frm_main.h"
#include "core/shell/tables.h"
#include "core/text/windows1252.h"

namespace vx470 {

namespace {

// Reads one byte of the unit's memory (command 16); the unit answers it in reply byte 6.
std::uint8_t readMemoryByte(Program& program, int address) {
    PutLongBE(address, 0, program.ByteScratch);
    program.link.SendFrame(Frames::ReadByte(program.ByteScratch[2], program.ByteScratch[3]));
    return program.link.RxBuffer[kReadByteReplyIndex];
}

// Each byte is a character as it stands: nothing trimmed or replaced.
std::string readName(Program& program, int address) {
    std::string bytes;
    for (int k = 0; k < DeviceAddress::NameLength; ++k) {
        bytes.push_back(static_cast<char>(readMemoryByte(program, address + k)));
    }
    return TextFromWindows1252(bytes);
}

}  // namespace

// Reads what the preset dialogs and the editor need from the unit: the occupied marks, the
// names, the current name and the running image; then shows the image and sends the
// automatic-notch settings back.
void MDIFrmMain::DumpDeviceMemory() {
    Link& link = program_.link;
    PresetList& presets = program_.presets;
    PresetImage& image = program_.channels.image;
    if (!link.DemoMode) {
        Label& label = program_.frmSplash.Label1;
        label.SetCaption("Dumping memory: please wait ");
        label.Refresh();
        for (int p = 0; p < kFixedPresets; ++p)
            presets.PresetUsed[static_cast<std::size_t>(p)] = true;
        for (int p = kFixedPresets; p < kPresets; ++p) {
            link.SendFrame(Frames::ReadByte(0, static_cast<std::uint8_t>(p + 44)));
            presets.PresetUsed[static_cast<std::size_t>(p)] =
                link.RxBuffer[kReadByteReplyIndex] == DeviceAddress::Occupied;
        }
        for (int p = 0; p < kFixedPresets; ++p) {
            presets.PresetNames[static_cast<std::size_t>(p)] =
                DefaultPresetNames[static_cast<std::size_t>(p)];
        }
        for (int p = kFixedPresets; p < kPresets; ++p) {
            std::string& name = presets.PresetNames[static_cast<std::size_t>(p)];
            if (!presets.PresetUsed[static_cast<std::size_t>(p)]) {
                name = kEmptyPresetName;
                continue;
            }
            const int base = DeviceAddress::Names + DeviceAddress::NameLength * (p - kFixedPresets);
            name = readName(program_, base);
        }
        presets.CurrentName = readName(program_, DeviceAddress::CurrentName);

        link.ReopenWithBufferSize(kBlockReplySize);
        const bool read = link.ReadImageBlock(Frames::ReadBlock(kRunningImage));
        // A port that could not be opened again is a line that does not answer; the stale
        // bytes of the receive buffer never become the image.
        if (!read) link.TimeOut();
        std::copy_n(link.RxBuffer.begin(), kImageBlockSize, image.begin());
        link.ReopenWithBufferSize(kReplySize);

        FrmEq& eq = program_.frmEq;
        eq.SetEnabled(false);
        program_.channels.LinkChannels = 0;
        link.SuppressSend = true;
        program_.channelOps.ApplyImageToEditor();
        link.SuppressSend = false;
        eq.SetEnabled(true);

        const auto section = [&](std::uint8_t target, int ch) {
            const auto c = static_cast<std::size_t>(ch);
            link.SendFrame(
                Frames::AutoSection(target, image[static_cast<std::size_t>(NumAutoOffset[c])],
                                    image[static_cast<std::size_t>(QAutoOffset[c])],
                                    image[static_cast<std::size_t>(AttenuationOffset[c])],
                                    image[static_cast<std::size_t>(SensitivityOffset[c])], 0));
        };
        // The first two both carry the Left values: "both channels", then Left.
        section(SectionTarget::Both, 0);
        section(SectionTarget::Left, 0);
        section(SectionTarget::Right, 1);
        SetCaption("VX-470 - Remote Control Software");
    }
    SetMousePointer(MousePointer::Default);
    program_.graph.RedrawAllResponses();
}

}  // namespace vx470
