#pragma once

// The numbering of the event kinds the engine handles: the window server's
// event types, the HID event system's event types (the subtype of a gesture
// event) and the legacy HID system events.

#include <cstdint>
#include <optional>

namespace corv::engine {

enum class NSEventType : std::uint32_t {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    RightMouseDown = 3,
    RightMouseUp = 4,
    MouseMoved = 5,
    LeftMouseDragged = 6,
    RightMouseDragged = 7,
    MouseEntered = 8,
    MouseExited = 9,
    KeyDown = 10,
    KeyUp = 11,
    FlagsChanged = 12,
    AppKitDefined = 13,
    SystemDefined = 14,
    ApplicationDefined = 15,
    Periodic = 16,
    CursorUpdate = 17,
    Rotate = 18,
    BeginGesture = 19,
    EndGesture = 20,
    ScrollWheel = 22,
    TabletPoint = 23,
    TabletProximity = 24,
    OtherMouseDown = 25,
    OtherMouseUp = 26,
    OtherMouseDragged = 27,
    Zoom = 28,
    Gesture = 29,
    DockControl = 30,
    FluidTouchGesture = 31,
    SmartMagnify = 32,
    QuickLook = 33,
    Pressure = 34,
    DirectTouch = 37,
};

// Numbered like the HID event system's event types, 0 to 40.
enum class CGEventSubType : std::int64_t {
    Null = 0,
    VendorDefined = 1,
    Button = 2,
    Keyboard = 3,
    Translation = 4,
    Rotation = 5,
    Scroll = 6,
    Scale = 7,
    Zoom = 8,
    Velocity = 9,
    Orientation = 10,
    Digitizer = 11,
    AmbientLightSensor = 12,
    Accelerometer = 13,
    Proximity = 14,
    Temperature = 15,
    NavigationSwipe = 16,
    Pointer = 17,
    Progress = 18,
    MultiAxisPointer = 19,
    Gyro = 20,
    Compass = 21,
    ZoomToggle = 22,
    DockSwipe = 23,
    SymbolicHotKey = 24,
    Power = 25,
    LED = 26,
    FluidTouchGesture = 27,
    BoundaryScroll = 28,
    Biometric = 29,
    Unicode = 30,
    AtmosphericPressure = 31,
    Force = 32,
    MotionActivity = 33,
    MotionGesture = 34,
    GameController = 35,
    Humidity = 36,
    Collection = 37,
    Brightness = 38,
    GenericGesture = 39,
    Count = 40,
};

enum class NXEventType : std::uint32_t {
    NX_NULLEVENT = 0,
    NX_LMOUSEDOWN = 1,
    NX_LMOUSEUP = 2,
    NX_RMOUSEDOWN = 3,
    NX_RMOUSEUP = 4,
    NX_MOUSEMOVED = 5,
    NX_LMOUSEDRAGGED = 6,
    NX_RMOUSEDRAGGED = 7,
    NX_MOUSEENTERED = 8,
    NX_MOUSEEXITED = 9,
    NX_KEYDOWN = 10,
    NX_KEYUP = 11,
    NX_FLAGSCHANGED = 12,
    NX_KITDEFINED = 13,
    NX_SYSDEFINED = 14,
    NX_APPDEFINED = 15,
    NX_SCROLLWHEELMOVED = 22,
    NX_TABLETPOINTER = 23,
    NX_TABLETPROXIMITY = 24,
    NX_OMOUSEDOWN = 25,
    NX_OMOUSEUP = 26,
    NX_OMOUSEDRAGGED = 27,
    NX_ZOOM = 28,
};

// Nothing for a raw value without a case.
std::optional<NSEventType> nsEventTypeFromRaw(std::uint32_t raw);
std::optional<CGEventSubType> eventSubTypeFromRaw(std::int64_t raw);
std::optional<NXEventType> nxEventTypeFromRaw(std::uint32_t raw);

constexpr std::uint32_t raw(NSEventType t) { return static_cast<std::uint32_t>(t); }
constexpr std::int64_t raw(CGEventSubType t) { return static_cast<std::int64_t>(t); }
constexpr std::uint32_t raw(NXEventType t) { return static_cast<std::uint32_t>(t); }

// The bit of an event type in a tap's event mask.
constexpr std::uint64_t maskBit(NSEventType t) { return std::uint64_t{1} << raw(t); }

} // namespace corv::engine
