#pragma once

// Where the window's controls lie when it is first shown, in twips, relative to each control's
// container. The resize handler later widens and heightens some of them.
struct ControlPlacement {
    double left;
    double top;
    double width;
    double height;
};

struct WindowLayout {
    double clientWidth;
    double clientHeight;
    ControlPlacement frameConn;
    ControlPlacement lst;
    ControlPlacement frameFiltro;
    ControlPlacement txtFiltro;
    ControlPlacement frameNomePc;
    ControlPlacement txtPc;
};

inline constexpr WindowLayout windowLayout{
    .clientWidth = 10350,
    .clientHeight = 7200,
    .frameConn = {120, 960, 10095, 6135},
    .lst = {120, 240, 9855, 5775},
    .frameFiltro = {2160, 120, 8055, 735},
    .txtFiltro = {120, 240, 7815, 405},
    .frameNomePc = {120, 120, 1935, 735},
    .txtPc = {120, 240, 1695, 405},
};
