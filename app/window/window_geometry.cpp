#include "app/window/window_geometry.h"

#include <algorithm>

#include "core/ini_file.h"

WindowGeometry StoredWindowGeometry(const IniFile& ini, const QRect& workArea) {
    WindowGeometry geometry;
    geometry.top = ini.readInteger(kGeometrySection, "top", workArea.y());
    geometry.left = ini.readInteger(kGeometrySection, "Left", workArea.x());
    geometry.width = ini.readInteger(kGeometrySection, "Width", kDesignedWidth);
    geometry.height = ini.readInteger(kGeometrySection, "Height", kDesignedHeight);
    return geometry;
}

WindowGeometry ReadWindowGeometry(const IniFile& ini, const QRect& workArea) {
    // The work area's right and bottom are exclusive edges here, as the desktop reports them.
    const int workLeft = workArea.x();
    const int workTop = workArea.y();
    const int workRight = workArea.x() + workArea.width();
    const int workBottom = workArea.y() + workArea.height();

    WindowGeometry geometry = StoredWindowGeometry(ini, workArea);
    // A window larger than the work area would hide its own buttons beyond the screen's edge.
    geometry.width = std::min(geometry.width, workArea.width());
    geometry.height = std::min(geometry.height, workArea.height());
    if (geometry.left > workRight - 100)
        geometry.left = workLeft;
    if (geometry.left < workLeft)
        geometry.left = workLeft;
    if (geometry.top < workTop)
        geometry.top = workTop;
    if (geometry.top > workBottom - 100)
        geometry.top = workTop;
    return geometry;
}

WindowGeometry GeometryToStore(const WindowGeometry& stored, const WindowGeometry& fitted,
                               const WindowGeometry& now) {
    const auto keep = [](int storedValue, int fittedValue, int nowValue) {
        return nowValue == fittedValue ? storedValue : nowValue;
    };
    return {keep(stored.left, fitted.left, now.left), keep(stored.top, fitted.top, now.top),
            keep(stored.width, fitted.width, now.width),
            keep(stored.height, fitted.height, now.height)};
}

void WriteWindowGeometry(const std::filesystem::path& path, const WindowGeometry& geometry) {
    IniFile ini = IniFile::Load(path);
    ini.writeInteger(kGeometrySection, "Top", geometry.top);
    ini.writeInteger(kGeometrySection, "Left", geometry.left);
    ini.writeInteger(kGeometrySection, "Width", geometry.width);
    ini.writeInteger(kGeometrySection, "Height", geometry.height);
    ini.save(path);
}
