// Test stand-ins for the graph window: a surface that records colours, a host with the view
// options, and a window that records echoes, line types, layout and printing.
#pragma once

#include "dataplot/sheetdrawing.h"
#include "draw3d/fakesurface.h"

#include <array>
#include <string>
#include <vector>

namespace gyro::test {

struct ColourSurface : test::FakeSurface {
    void SetColour(double r, double g, double b) override { colours.push_back({r, g, b}); }
    std::vector<std::array<double, 3>> colours;
};

struct Host : ViewHost {
    bool automatic = false, centring = false;
    int asked = 0;
    std::vector<int> fronted;
    bool automaticViews() const override { return automatic; }
    bool automaticCentring() const override { return centring; }
    bool magnifierOn() const override { return false; }
    void setMagnifierOff() override {}
    void chooseViewAngles() override { ++asked; }
    void bringViewToFront(int view) override { fronted.push_back(view); }
};

struct Window : SheetTraceWindow {
    std::string printed;
    std::vector<double> styles;
    std::vector<std::array<int, 3>> placed;
    int commandsFronted = 0, pages = 0;
    bool printing = false;
    void echo(const std::string& text) override { printed += text; }
    void lineStyle(double style) override { styles.push_back(style); }
    void placeView(int view, int column, int row) override {
        placed.push_back({view, column, row});
    }
    void bringCommandsToFront() override { ++commandsFronted; }
    bool printGraphs() const override { return printing; }
    void endPrinterPage() override { ++pages; }
};

} // namespace gyro::test
