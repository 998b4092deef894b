#pragma once

class QWidget;

// Gives every entry of a menu or menu bar that has no mnemonic one of its own: the first letter of a word not
// taken yet in that menu, else any letter of the text not taken yet. Entries that already have one keep it.
// Run again when texts change (a menu's aboutToShow): an entry keeps the mnemonic it was given.
namespace mnemonics {

void assign(QWidget *menuOrBar);
// Every menu below a widget (its menu bar, its menus and their submenus), now and each time one opens.
void assignAll(QWidget *window);

} // namespace mnemonics
