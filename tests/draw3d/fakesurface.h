// A view surface that records what the scene drawing asks of it.
#pragma once

#include "scene/viewsurface.h"

#include <string>
#include <vector>

namespace gyro::test {

struct DrawnSegment {
    int view;
    double x0, y0, x1, y1;
};

class FakeSurface : public ViewSurface {
public:
    void selectView(int view, const ViewWindow& window) override {
        current = view;
        selected.push_back({view, window});
    }
    void Kelaxes(double xMin, double xMax, double yMin, double yMax, const std::string& xTitle,
                 const std::string& yTitle, double, ViewWindow& window) override {
        laidOut.push_back({xMin, xMax, yMin, yMax});
        titles.push_back(xTitle + "|" + yTitle);
        (void)window;
    }
    void Segment(double x0, double y0, double x1, double y1) override {
        segments.push_back({current, x0, y0, x1, y1});
    }
    void Texte(double, double, const std::string& text) override { texts.push_back(text); }
    void SetColour(double, double, double) override {}
    double pictureWidth(int) const override { return 800; }
    double pictureHeight(int) const override { return 800; }
    void clearPicture(int view) override { cleared.push_back(view); }

    int current = -1;
    std::vector<std::pair<int, ViewWindow>> selected;
    std::vector<std::array<double, 4>> laidOut;
    std::vector<std::string> titles;
    std::vector<DrawnSegment> segments;
    std::vector<std::string> texts;
    std::vector<int> cleared;
};

} // namespace gyro::test
