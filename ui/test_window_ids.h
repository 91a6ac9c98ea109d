// Control ids of the test window that code outside the window itself writes to or handles.
#pragma once

constexpr int kQuitButtonId = 1000;        // "&Quit"
constexpr int kClearButtonId = 1001;       // "Clear"
constexpr int kMainboardReadoutId = 1002;  // static text beside "Mainboard:", starts as "-"
constexpr int kModuleListId = 1003;        // unsorted list box under "Modules:"

// Picture controls of the single and twin panels: 2000..2006, 2020..2026, 2100..2110,
// 2120..2128.
constexpr int kSinglePanel1FirstPictureId = 2000;
constexpr int kSinglePanel2FirstPictureId = 2020;
constexpr int kTwinPanel1FirstPictureId = 2100;
constexpr int kTwinPanel2FirstPictureId = 2120;

// "Trim - Panel"
constexpr int kRudderTrimPictureId = 2200;
constexpr int kRudderTrimReadoutId = 2201;
constexpr int kElevatorTrimPictureId = 2202;
constexpr int kTrimCounterReadoutId = 2203;
constexpr int kIndicatorOnBoxId = 2204;  // "Ind. On"
constexpr int kStepDownButtonId = 2205;  // "DN"
constexpr int kStepUpButtonId = 2206;    // "UP"
constexpr int kStepReadoutId = 2207;     // trim indicator step, starts as "1"

// "LND-Gear - Panel"
constexpr int kWarnHornPictureId = 2300;
constexpr int kGearHandlePictureId = 2301;
constexpr int kLeftGearOffId = 2302;   // then RED 2303, GREEN 2304
constexpr int kNoseGearOffId = 2305;   // then RED 2306, GREEN 2307
constexpr int kRightGearOffId = 2308;  // then RED 2309, GREEN 2310
constexpr int kLightsDimmedBoxId = 2311;
constexpr int kFlapsPictureId = 2312;
constexpr int kParkBrakePictureId = 2313;

// "Hobbsmeter"
constexpr int kHobbsOffId = 2400;
constexpr int kHobbsOnId = 2401;

// "Power Quadrant": six channels, read-out 2500 + i and bar 2506 + i for channel i.
constexpr int kChannelCount = 6;
constexpr int kFirstChannelReadoutId = 2500;
constexpr int kFirstProgressBarId = 2506;
constexpr int kTogaPictureId = 2512;
