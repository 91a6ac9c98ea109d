// The widest text each read-out of the test window can be given on a bench, so that a window
// can make room for it when it is built (the template's boxes were drawn for shorter values).
#pragma once

// Null for a control that is no read-out.
const char* widestReadoutText(int controlId);
