#pragma once

#include <filesystem>

#include <QRect>

class IniFile;

// The main window's remembered frame position and size, in device-independent pixels (as Qt
// gives them, whatever the scale factor).
struct WindowGeometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

inline constexpr int kDesignedWidth = 909;
inline constexpr int kDesignedHeight = 657;

// The geometry file's name in the program folder and its section.
inline constexpr char kGeometryFileName[] = "site_wright.ini";
inline constexpr char kGeometrySection[] = "site_wright";

// The geometry stored in ini as it stands, each missing or unreadable value replaced by its
// default (the work area's top-left corner, the designed size).
WindowGeometry StoredWindowGeometry(const IniFile& ini, const QRect& workArea);

// The geometry stored in ini, each missing or unreadable value replaced by its default (the
// work area's top-left corner, the designed size), then brought back into the work area: a size
// larger than the work area shrinks to it, and a window whose top-left 100 x 100 pixels would
// leave it goes back to the work area's left or top edge.
WindowGeometry ReadWindowGeometry(const IniFile& ini, const QRect& workArea);

// What to store at close, value by value: the stored one where the window still stands as it
// was fitted into a smaller work area at start (a run on a small or scaled screen keeps the size
// chosen on a larger one), else the window's value now.
WindowGeometry GeometryToStore(const WindowGeometry& stored, const WindowGeometry& fitted,
                               const WindowGeometry& now);

// Writes the geometry into the file at path, keeping every other line of it. Throws FileError.
void WriteWindowGeometry(const std::filesystem::path& path, const WindowGeometry& geometry);
