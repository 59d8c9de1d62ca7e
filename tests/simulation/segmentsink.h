// A scene that keeps only the arrows a run draws (length and colour), for run tests.
#pragma once

#include "simulation/tracesink.h"

#include <cmath>
#include <vector>

namespace gyro::test {

// Keeps the arrows a run draws, with the colour each was drawn in.
class SegmentSink : public TraceSink {
public:
    void SetMode(int) override {}
    void SetScene(double, double, double, double, double, double, double) override {}
    void SetVectorScale(double, std::int16_t) override {}
    void SetFrame(double, double, double, double, double, const std::string&,
                  std::optional<double>) override {}
    void EndSetUp(std::optional<double>, std::optional<double>) override {}
    void SetLabel(double, const std::string&) override {}
    void SetShot(double) override {}
    void SetViewText(const std::string&) override {}
    void Circle(double, double) override {}
    void Point(double, double, double) override { ++points; }
    void Segment(double x1, double y1, double z1, double x2, double y2, double z2) override {
        arrows.push_back({std::hypot(x2 - x1, y2 - y1, z2 - z1), green});
    }
    void SetColour(double, double, double) override {}
    void SetLineColour(double, double g, double) override { green = g; }
    void SetLimits(double, double) override {}
    void PenLift(std::int16_t, std::int16_t) override {}

    struct Arrow {
        double length; // [m]
        double green;  // the B arrow is the green one with the default colours
    };
    std::vector<Arrow> arrows;
    double green = 0;
    int points = 0;
};

} // namespace gyro::test
