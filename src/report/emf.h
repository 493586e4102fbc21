#pragma once
// Page pictures in the Windows enhanced metafile format: the recorder that
// writes them, the player that checks and replays them, and the text
// spacing both agree on.
#include "report/emfplayer.h"
#include "report/emfrecorder.h"
#include "report/emftext.h"
