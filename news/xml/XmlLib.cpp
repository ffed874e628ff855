#include "XmlLib.h"
