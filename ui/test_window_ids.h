// Control ids of the test window that code outside the window itself writes to.
#pragma once

constexpr int kMainboardReadoutId = 1002;  // static text beside "Mainboard:", starts as "-"
constexpr int kModuleListId = 1003;        // unsorted list box under "Modules:"
