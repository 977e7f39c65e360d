// Resource ids of the program's pictures (drawn by draw.sh beside this file).
#pragma once

#define PICTURE_PROGRAM_ICON 1
#define PICTURE_GLOBE 2
#define PICTURE_BRAND 3
