# The panel that zr8-panel-sim's demo plays: every module it announces, at the version it
# announces. Module 50 is a device without a name in the module registry.
name Panel simulator demo
module 16 min-version 3
module 17 min-version 3
module 18 min-version 2
module 19 min-version 2
module 24 min-version 4
module 97 min-version 1
module 98 min-version 5
module 99 min-version 2
optional 50
