// The identifiers of VEXOSetup's resources, shared by the resource script and the code.
#pragma once

// The program's icon: the large and small icon of the progress window's class.
#define VEXO_SETUP_ICON 129
