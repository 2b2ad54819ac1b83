#pragma once
// The application-wide mouse pointer with the classic codes: 11 hourglass, 0 default.
namespace tbn::ui {

constexpr int vbDefault = 0;
constexpr int vbHourglass = 11;

void SetMousePointer(int code);  // any other code is taken as the default
int MousePointer();              // the code last set

// Sets the hourglass and restores the previous code on every way out of a scope.
class HourglassScope {
public:
    HourglassScope() : previous_(MousePointer()) { SetMousePointer(vbHourglass); }
    ~HourglassScope() { SetMousePointer(previous_); }
    HourglassScope(const HourglassScope&) = delete;
    HourglassScope& operator=(const HourglassScope&) = delete;

private:
    int previous_;
};

// Work that goes on while the user may go on working (a query run, a connection opening): the
// hourglass shows while any of it is under way, and the default pointer comes back once the last
// has ended, whichever way it ends.
class BusyPointer {
public:
    BusyPointer() { Begin(); }
    ~BusyPointer() { End(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    static void Begin();
    static void End();
};

}  // namespace tbn::ui
