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
    // Channel `to` takes channel `from`: notch records and rows, then the settings.
    void copyRows(int from, int to);
    void loadChannelModel(int ch, int fromCh);
    // The automatic-panel controls of ch show the model of fromCh, without any handler.
    void showChannelSettings(int ch, int fromCh);
    // Each setting's send routine, then the rows' enabling.
    void sendChannelSettings(int ch, bool sensitivityLast);

    Program& program_;
};

}  // namespace vx470
