#pragma once

namespace vx470 {

class Program;

// Operations on whole channels: putting the image into the editor, copying one channel onto
// the other, and linking them.
class ChannelOperations {
public:
    explicit ChannelOperations(Program& program) : program_(program) {}

    // Image → controls → (each parameter's send routine) → model, image and unit. Bytes a
    // control cannot hold are clamped into its range, so model and image carry what shows.
    void ApplyImageToEditor();
    void CopyChannelLeftToRight();
    void CopyChannelRightToLeft();
    // The body of the editor's link box.
    void LinkChannelsClick();

private:
    void copyRows(int from, int to);
    void loadChannelModel(int ch, int fromCh);

    Program& program_;
};

}  // namespace vx470
