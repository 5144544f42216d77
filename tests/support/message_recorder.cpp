#include "message_recorder.h"
