#pragma once

namespace vx470 {

class Program;

// Reports the unit sends by itself during a feedback search: 0xFE places a whole notch,
// 0xFD changes a notch's gain. Each is taken into image, controls, model and graph, and
// acknowledged.
class DeviceReports {
  public:
    explicit DeviceReports(Program& program) : program_(program) {}

    // Called repeatedly while a search runs; reads nothing until a whole report waits.
    void PollDeviceReports();

  private:
    Program& program_;
};

}  // namespace vx470
