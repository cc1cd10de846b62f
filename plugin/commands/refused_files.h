// The question before zipping files that many mail services refuse in a
// zip: types the RejectedTypes setting names, and zips that hold encrypted
// entries.
#pragma once

#include <string>
#include <vector>

#include "writer/source.h"

// Asks once, with Yes, No and Cancel, when files of `sources` (folder
// entries aside) are of such a kind. Yes takes them out of *sources and
// puts their entry names in *leftOutByUser; No keeps them; Cancel says
// "Creation of zip archive cancelled." and returns false. True when there
// is nothing to ask.
bool AskAboutRefusedFiles(std::vector<Source>* sources, std::vector<std::string>* leftOutByUser);
