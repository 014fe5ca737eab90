// The unit the preview probe in bench/ builds the sounds of test_sounds.h from.
#include "test_sounds.h"
