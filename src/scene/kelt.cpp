// KelT: setting a view up — frame, world window around the centre, axes and captions.
#include "scene/kelmirav.h"

#include "numerics/errorreport.h"

#include <cmath>

namespace gyro {

void KelMirav::KelT(double r, double omega, double inclination, double bigOmega, double h,
                    double s) {
    const int view = viewIndex();
    const bool finite = std::isfinite(r) && std::isfinite(omega) && std::isfinite(inclination) &&
                        std::isfinite(bigOmega) && std::isfinite(h) && std::isfinite(s);
    if (view < 0 || !finite) {
        AlerteCalcul("KelTfaute");
        return;
    }
    const auto v = std::size_t(view);
    if (scene.zStretch == 0) scene.zStretch = 1;
    if (scene.secondStretch == 0) scene.secondStretch = 1;
    scene.drawingOn = 1;

    const bool neverSetUp = m_windows[v][4] == 0;
    const bool magnifier = m_host && m_host->magnifierOn();
    if (neverSetUp || !magnifier || resetFlag == 1) {
        m_keep[v] = 0;
        if (m_host) m_host->setMagnifierOff();
        if (m_host && !m_host->automaticViews()) {
            m_host->chooseViewAngles();
        } else {
            if (m_surface) m_surface->SetColour(0, 0, 0);
            if (m_host) m_host->bringViewToFront(view);
        }
        RepereProjectif(this->view, this->view.ascensionDeg, this->view.declinationDeg);
        this->view.axisAligned = 0;
        // The view's picture is laid out afresh: its stored points start again with it, so
        // that the magnifier and the composite view show this figure, not every earlier one.
        m_counts[v] = 0;
    } else if (m_keep[v] == 0) {
        m_zoom[v] = s;
        m_keep[v] = 1;
    }

    ProjAxisLabels(this->view.ascensionDeg, this->view.declinationDeg, m_hCaption, m_vCaption,
                   this->view.axisAligned);
    const double margin = resetFlag != 1 ? 5 : 0;

    Vecteur3 centre;
    if (!(m_host && m_host->automaticCentring()))
        EulerI(Vecteur3(r, 0, 0), rad(omega), rad(inclination), rad(bigOmega), centre);
    const double cx = ProdScal(centre, this->view.u);
    const double cy = ProdScal(centre, this->view.v);

    if (m_keep[v] != 0 && m_surface) {
        // The kept (magnified) window's scale, for the picture of the whole view.
        const ViewWindow& kept = m_windows[v];
        const double w = m_surface->pictureWidth(view);
        if (w != 0) m_keptScale[v] = std::fabs((kept[2] - kept[0]) * m_zoom[v] / w);
        m_surface->clearPicture(0);
    }

    m_window = {cx - h, cy + h, cx + h, cy - h, s > 0 ? s : 1, 1};
    m_lastView = view;
    m_halfWidth[v] = h;
    if (m_surface) {
        m_surface->selectView(view, m_window);
        m_surface->Kelaxes(cx - h, cx + h, cy - h, cy + h, m_hCaption, m_vCaption, margin,
                           m_window);
    }
    if (m_window[4] == 0) m_window[4] = 1; // a view once set up is never taken as new
    m_windows[v] = m_window;
    m_unstoredTold[v] = false;

    m_scaleCaption = ScaleCaption(s);
    if (m_surface && !m_scaleCaption.empty())
        m_surface->Texte(m_window[0], m_window[1], m_scaleCaption);
}

} // namespace gyro
