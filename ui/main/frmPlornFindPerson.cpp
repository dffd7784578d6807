// Typing on the person list to find a person.

#include "ui/main/frmPlorn.h"
#include "ui/toolkit/PersonList.h"
#include "ui/words/ListSearchWords.h"

static_assert(FoundNames::NameRowRole == PersonList::FoundEntryRole);

void frmPlorn::cmbPers_Search(const QString& typed)
{
    foundNames_.search(typed);
    if (typed.isEmpty())
        return;
    const int found = foundNames_.rowCount();
    cmbPers->showSearchOutcome(found == 0 ? NoPersonFound(typed) : PersonsFound(typed, found), PersonsFoundHelp(found));
}
