#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;

class DeviceReportsTest : public test::ProgramTest {
  protected:
    void report(const Bytes& bytes) {
        p.port.arrive(bytes);
        program.reports.PollDeviceReports();
    }
    const Bytes ack = frame({48});
};

TEST_F(DeviceReportsTest, NotchReportPlacesAWholeNotchWithoutANotchFrame) {
    report({0xFE, 0x01, 0x03, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0});
    EXPECT_EQ(bytes(120, 4), (Bytes{30, 1, 10, 2}));
    EXPECT_EQ(test::shown(eq().Text1[15], eq().Text2[15]), (test::Texts{"-15", "247.9"}));
    EXPECT_EQ(std::pair(eq().HScroll20[15].Value(), eq().HScroll30[15].Value()), std::pair(30, 2));
    EXPECT_EQ(program.channels.model.NotchGainDb[15], -15);
    EXPECT_EQ(frames(), FrameList{ack});
    EXPECT_EQ(p.port.bytesWaiting(), 0u);
    report({0xFE, 0x00, 0x01, 0x02, 0xD9, 0x03, 0x00, 0, 0, 0});  // index 729, Q 3, -45 dB
    EXPECT_EQ(eq().Text2[1].Text(), "20000");
    EXPECT_EQ(std::pair(eq().HScroll6[1].Value(), program.channels.model.NotchFrequency[1]),
              std::pair(729, 20000.0));
}

TEST_F(DeviceReportsTest, GainReportChangesOnlyTheGain) {
    program.channels.image[28] = 0;
    loadImage(program.channels.image);
    report({0xFD, 0x00, 0x00, 0x77, 0x77, 0x77, 0x2D, 0, 0, 0});
    EXPECT_EQ(bytes(28, 4), (Bytes{45, 1, 10, 2}));
    EXPECT_EQ(eq().HScroll20[0].Value(), 45);
    EXPECT_EQ(frames(), FrameList{ack});
}

TEST_F(DeviceReportsTest, AnythingElseIsDroppedButStillAcknowledged) {
    const PresetImage before = program.channels.image;
    report({0x12, 0x01, 0x03, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0, 0x55, 0x66});
    // Reports no control could show: filter 12, index 730, Q 4, gain 46.
    report({0xFE, 0x00, 0x0C, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0});
    report({0xFE, 0x00, 0x03, 0x02, 0xDA, 0x02, 0x1E, 0, 0, 0});
    report({0xFE, 0x00, 0x03, 0x01, 0x0A, 0x04, 0x1E, 0, 0, 0});
    report({0xFD, 0x01, 0x03, 0x00, 0x00, 0x00, 0x2E, 0, 0, 0});
    report({0xFD, 0x01, 0xFF, 0x00, 0x00, 0x00, 0x00, 0, 0, 0});
    EXPECT_EQ(program.channels.image, before);
    EXPECT_EQ(frames(), FrameList(6, ack));
    EXPECT_EQ(p.port.bytesWaiting(), 0u);
}

TEST_F(DeviceReportsTest, APartialReportWaitsForTheRest) {
    report({0xFD, 0x00, 0x03, 0, 0, 0, 0x10, 0, 0});
    EXPECT_EQ(p.port.bytesWaiting(), 9u);
    EXPECT_TRUE(frames().empty());
    report({0});
    EXPECT_EQ(image(40), 0x10);
    EXPECT_EQ(frames(), FrameList{ack});
    program.link.DemoMode = true;  // demo mode reads nothing
    report({0xFD, 0x00, 0x03, 0, 0, 0, 0x20, 0, 0, 0});
    EXPECT_EQ(p.port.bytesWaiting(), 10u);
    EXPECT_EQ(image(40), 0x10);
}

}  // namespace
}  // namespace vx470
