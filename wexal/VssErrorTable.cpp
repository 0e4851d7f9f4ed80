#include "wexal/VssErrorTable.h"

#include <array>

#include "platform/Text.h"

namespace wexal {

namespace {

// The server's messages as it stores them (typos and code names included): users search for
// these texts, so they stay exactly as the server's documentation prints them.
constexpr std::array<VssErrorRow, 98> kServerRows{{
    {0x8004D698, L"File may be corrupt"},
    {0x8004D851, L"Invalid date string"},
    {0x8004D84F, L"Invalid time or date string"},
    {0x8004D84C, L"Too many file handles open"},
    {0x8004D84B, L"Access to file denied"},
    {0x8004D84A, L"Invalid drive"},
    {0x8004D849, L"Invalid handle"},
    {0x8004D848, L"Invalid filename"},
    {0x8004D846, L"Invalid access code (bad parameter)"},
    {0x8004D845, L"Invalid DOS path"},
    {0x8004D844, L"Folder is in use"},
    {0x8004D843, L"Disk full"},
    {0x8004D841, L"File already exists"},
    {0x8004D840, L"File is locked"},
    {0x8004D83E, L"File not found"},
    {0x8004D83C, L"Error reading from file"},
    {0x8004D83B, L"File is already open"},
    {0x8004D83A, L"Too many file handles open"},
    {0x8004D839, L"Cannot rename to another volume"},
    {0x8004D838, L"Error writing to file"},
    {0x8004D828, L"Initialization variable, must be set to 'Yes' or 'No'"},
    {0x8004D827, L"ESS_INI_BADLINE"},
    {0x8004D826, L"ESS_INI_BADNUMBER"},
    {0x8004D825, L"ESS_INI_BADPATH"},
    {0x8004D823, L"ESS_INI_BADVALUE"},
    {0x8004D822, L"ESS_INI_NOSUCHVAR"},
    {0x8004D821, L"ESS_INI_NUMRANGE"},
    {0x8004D820, L"ESS_INI_TOO_MANY_ENV"},
    {0x8004D7E6, L"Timeout locking file"},
    {0x8004D7E2, L"Out of memory"},
    {0x8004D67F, L"You cannot modify the properties of a file that is checked out."},
    {0x8004D7D9,
     L"You cannot perform a merge on a binary file, or a file that stores latest version only."},
    {0x8004D7D8, L"Cannot check out file. It is binary and is already checked out."},
    {0x8004D7D7, L"File stores only the latest version and is already checked out."},
    {0x8004D7D3, L"Error executing"},
    {0x8004D67E, L"ESS_SS_ADDPRJASSOCFILE"},
    {0x8004D728, L"The SourceSafe database has been locked by the Administrator."},
    {0x8004D75E, L"Unable to rename"},
    {0x8004D75D, L"Cannot find SS.INI file"},
    {0x8004D75B, L"File is currently checked ou"},
    {0x8004D75A, L"You currently have file checked out"},
    {0x8004D758, L"Cannot check out an old version of a file"},
    {0x8004D753, L"File is currently checked out"},
    {0x8004D751, L"An automatic merge has occurred and there are conflicts."},
    {0x8004D74E, L"Cannot delete the root project"},
    {0x8004D74D, L"A deleted link already exists"},
    {0x8004D74B, L"File not found"},
    {0x8004D75C, L"A history operation is already in progress"},
    {0x8004D749, L"You do not have access rights"},
    {0x8004D746, L"A more recent version is checked out"},
    {0x8004D745, L"A writable copy already exists"},
    {0x8004D744, L"Move does not change the name of a project"},
    {0x8004D743, L"Project does not exist"},
    {0x8004D742, L"Cannot move the root project"},
    {0x8004D741, L"Cannot roll back to the most recent version"},
    {0x8004D740, L"Files have no common ancestor"},
    {0x8004D73E, L"Object has been merged with no conflicts."},
    {0x8004D73D, L"File is invalid. Files may not begin with $."},
    {0x8004D73C, L"File is not checked out"},
    {0x8004D73B, L"File is not shared by any other projects"},
    {0x8004D73A, L"Files are not branched"},
    {0x8004D727, L"Unable to open user login file."},
    {0x8004D739, L"Path too long"},
    {0x8004D736, L"Rename does not move an item to another project"},
    {0x8004D735, L"Cannot Rename the root project"},
    {0x8004D731, L"Cannot Rollback to the most recent version"},
    {0x8004D72F, L"A project cannot be shared under a descendant."},
    {0x8004D72E, L"File is already shared by this project"},
    {0x8004D6ED, L"Invalid SourceSafe syntax"},
    {0x8004D6CA, L"Bad username syntax"},
    {0x8004D6C9, L"Invalid password"},
    {0x8004D6C8, L"Incompatible database version"},
    {0x8004D6C7, L"Cannot delete the Admin user"},
    {0x8004D6C6, L"Permission denied"},
    {0x8004D6C5, L"Can not rename the Admin user"},
    {0x8004D6C4, L"Username too long"},
    {0x8004D6C3, L"User already exists"},
    {0x8004D6C2, L"User not found"},
    {0x8004D830, L"The URL for project was not set properly"},
    {0x8004D697, L"File checked out"},
    {0x8004D696, L"Subproject or file not found"},
    {0x8004D695, L"Collision accessing database, please try again."},
    {0x8004D68A, L"File is exclusively checked out."},
    {0x8004D694, L"An item with this name is already exists"},
    {0x8004D693, L"It is an invalid name"},
    {0x8004D692, L"You can not move a project under itself"},
    {0x8004D691, L"File does not retain old versions of itself"},
    {0x8004D690, L"File cannot be checked into this project"},
    {0x8004D68F, L"File or project not found"},
    {0x8004D68E, L"Parent not found"},
    {0x8004D689, L"Version not found"},
    {0x8004D688, L"This command only works on files."},
    {0x8004D687, L"This command only works on projects."},
    {0x8004D82E, L"A link in was ignored because it was longer than SourceSafe can understand"},
    {0x8004D82F, L"An error occurred while  trying to check hyperlinks"},
    {0x8004D738, L"Error loading SourceSafe add-in"},
    {0x80048002, L"Cancel"},
    {0x8004D509, L"Error loading resource string"},
}};

// The system's texts for the codes the server and the component layer commonly return.
constexpr std::array<VssErrorRow, 12> kSystemRows{{
    {0x80004005, L"Unspecified error"},
    {0x80004001, L"Not implemented"},
    {0x80004002, L"No such interface supported"},
    {0x80004003, L"Invalid pointer"},
    {0x80004004, L"Operation aborted"},
    {0x8000FFFF, L"Catastrophic failure"},
    {0x80070057, L"The parameter is incorrect"},
    {0x8007000E, L"Not enough memory resources are available to complete this operation"},
    {0x80070005, L"Access is denied"},
    {0x80040154, L"Class not registered"},
    {0x800401F3, L"Invalid class string"},
    {0x80070002, L"The system cannot find the file specified"},
}};

const wchar_t* Find(std::span<const VssErrorRow> rows, std::uint32_t code) {
  for (const VssErrorRow& row : rows)
    if (row.code == code) return row.text;
  return nullptr;
}

}  // namespace

std::span<const VssErrorRow> VssErrorTable() { return kServerRows; }

std::wstring VssErrorText(std::int32_t code) {
  const auto bits = static_cast<std::uint32_t>(code);
  if (const wchar_t* text = Find(kServerRows, bits)) return text;
  if (const wchar_t* text = Find(kSystemRows, bits)) return text;
  if (code == 0) return L"The operation completed successfully";
  return platform::Format(L"Unknown error 0x%08X", bits);
}

}  // namespace wexal
