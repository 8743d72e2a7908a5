#include "stations/tree_editor.h"
