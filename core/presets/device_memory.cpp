#include <algorithm>
#include <string>

#include "core/device/parameters.h"
#include "core/program.h"
#include "core/shell/mdi_frm_main.h"
#include "core/shell/tables.h"

namespace vx470 {

namespace {

// Each byte is a character as it stands: nothing trimmed or replaced.
std::string readName(Link& link, int address) {
    NameBytes bytes{};
    for (int k = 0; k < DeviceAddress::NameLength; ++k) {
        bytes[static_cast<std::size_t>(k)] = ReadMemoryByte(link, address + k);
    }
    return NameFromBytes(bytes);
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
            presets.PresetUsed[static_cast<std::size_t>(p)] =
                ReadMemoryByte(link, DeviceAddress::Mark(p - kFixedPresets)) ==
                DeviceAddress::Occupied;
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
            name = readName(link, DeviceAddress::Name(p - kFixedPresets));
        }
        presets.CurrentName = readName(link, DeviceAddress::CurrentName);

        // A port that could not be opened again is a line that does not answer; the stale
        // bytes of the receive buffer never become the image.
        if (!TryReadRunningImage(link, std::span(image).first<kImageBlockSize>())) link.TimeOut();

        FrmEq& eq = program_.frmEq;
        eq.SetEnabled(false);
        program_.channels.LinkChannels = 0;
        link.SuppressSend = true;
        program_.channelOps.ApplyImageToEditor();
        link.SuppressSend = false;
        eq.SetEnabled(true);

        // The first two both carry the Left values: "both channels", then Left.
        link.SendFrame(SectionFrame(image, 0, SectionTarget::Both));
        link.SendFrame(SectionFrame(image, 0, SectionTarget::Left));
        link.SendFrame(SectionFrame(image, 1, SectionTarget::Right));
        SetCaption("VX-470 - Remote Control Software");
    }
    SetMousePointer(MousePointer::Default);
    program_.graph.RedrawAllResponses();
}

}  // namespace vx470
