#include "help/helptopics.h"

#include <QHash>

namespace {

// The topic texts, by topic number.
const QHash<int, const char*>& Topics() {
    static const QHash<int, const char*> topics{
        {1000,
         "Rosterly is designed to maintain personnel information for your business employees.\r\n"
         "\r\n"
         "Rosterly maintains information on both current and previous employees, displaying either or both "
         "groups as you wish. Rosterly also lets you search for and generate sub-lists of employees.\r\n"
         "\r\n"
         "Rosterly's main screen is a 2-tabbed 'Lobby'. The first tab is the 'Employee List', where you can "
         "view, edit, and add employees to the Rosterly database.\r\n"
         "\r\n"
         "The second tab is the 'List Display Options' area, where you can define any list (or sub-list) of "
         "employees you wish to view.\r\n"
         "\r\n"
         "The Information icon accesses a built-in manual that provides more information on any particular "
         "area of Rosterly that you are interested in."},
        {1500, "Everyone who uses Rosterly comes in through the 'Admin Window'. Each user has a name in the "
               "'User List', a password, and one of four access levels:\r\n"
               "\r\n"
               "* Read only\r\n"
               "* Read and edit records\r\n"
               "* Read, edit, and add records\r\n"
               "* Full access (read, edit, add, and delete records)\r\n"
               "\r\n"
               "*** Access to the 'User Name' List ***\r\n"
               "\r\n"
               "Click the 'Edit the 'User List' button and enter the access code to add, edit, or remove "
               "users. Here you give each user a password and an access level. You can also review the user "
               "log, which shows who entered and left Rosterly, when, and at what access level.\r\n"
               "\r\n"
               "The access code is kept in Rosterly's settings file (Rosterly.ini, in the Rosterly folder of "
               "your personal settings folder), under the key 'AccessCode' in the [Defaults] section. "
               "Rosterly makes a random code the first time it starts; the administrator can read it there, "
               "and may change it to any other text.\r\n"
               "\r\n"
               "*** Protecting Social Security Numbers and Birth Dates ***\r\n"
               "\r\n"
               "The administrator can choose the access level from which the Social Security number and "
               "the year of birth are shown: in administration mode, click 'Sensitive Fields...' and choose a "
               "level from 'Read Only' (everyone, as when no level was ever chosen) to "
               "'Read/Edit/Add/Delete' (full access only). The level is kept with the data files, so every "
               "computer that uses them applies it, and each change is written to the user log. A level "
               "that older versions kept in the settings file ('SensitiveFieldsLevel' in its [Defaults] "
               "section) is taken over once. If the level goes missing from the data folder, Rosterly says "
               "so when it starts and shows those fields in full at the 'Read/Edit/Add/Delete' level only, "
               "until the administrator chooses the level again. Users below that level see the Social Security number as '***-**-' and its last four "
               "characters, and the date of birth without its year ('03/07/****') and without the age: on "
               "the screen, on printouts, and in copied and exported lists. They can't change those two "
               "fields: while they edit a record, the two boxes are grey and cannot be typed in, the Tab "
               "key passes them by, and a key typed in one says why; saving keeps the stored values. The "
               "birthday and age lists still work for them, with the month and day only and without the "
               "age, and the list options offer them no 'Age Group'.\r\n"
               "\r\n"
               "With a level above 1, each list export, copied employee, printed list, report, set of "
               "update forms, history printout and history export made by a user who sees those fields in full adds a "
               "line to the user log: who, when, what, how many employees and, for a file, its name.\r\n"
               "\r\n"
               "Masking protects what is shown on the screen, printed on paper and handed on in files. It "
               "does not protect against a person who can read the files in Rosterly's data folder: they "
               "hold every value in full. Against that, keep the data folder readable by its owner only (as "
               "Rosterly makes it) and the computer's disk encrypted.\r\n"
               "\r\n"
               "*** Access to Rosterly ***\r\n"
               "\r\n"
               "Highlight your name in the list, click 'Select the Highlighted User', enter your password, "
               "and click 'Continue'. Rosterly's main window then opens with your access level. Only someone "
               "who knows the access code can change the 'User List'."},
        {2000, "The 'Employee List' page tab is comprised of two main parts: The top half contains a "
               "scrollable list of employees. The lower half contains the personnel details of the employee "
               "currently highlighted in the list at top.\r\n"
               "\r\n"
               "You have several options here--\r\n"
               "\r\n"
               "* You can print the list of employees\r\n"
               "\r\n"
               "* You can edit the personnel details of the employee currently highlighted.\r\n"
               "\r\n"
               "* You can print the personnel details of the employee currently highlighted.\r\n"
               "\r\n"
               "* You can see the history of the employee currently highlighted: click the list with the "
               "right mouse button (or press the Menu key) and choose 'History of this Employee...', or press "
               "Ctrl+H. It lists every change to the record, newest first, with who made it and when, and "
               "shows the whole record as it stood at the end of any day you choose, the fields changed since "
               "marked '*'. The window can print both, and 'Export this History...' saves the changes shown "
               "as a workbook or a CSV file. Choose a user, or the days from and to, to see only those "
               "changes.\r\n"
               "\r\n"
               "* In the history window's 'Find' box, type part of a first or last name and press Enter: it "
               "lists every employee ever on file whose name held it, capitals and accents aside (\"gomez\" "
               "finds Gómez), current, previous or removed, with the day of the removal. Choose one to see "
               "that employee's history. A removed employee's record is shown as it stood just before the "
               "removal, and can be printed. With an empty list, the menu's 'History of this Employee...' "
               "opens the window on its 'Find' box.\r\n"
               "\r\n"
               "* With full access you can add employees from a spreadsheet: right-click the list and choose "
               "'Import Employees...'. The file needs the columns 'Export this List...' writes; comma, "
               "semicolon or tab separated files in UTF-8 or UTF-16 are read.\r\n"
               "\r\n"
               "You can enter any text you like in the 'Notepad' section of each employees' record. This is "
               "where you would maintain a basic personnel history of the employee, including transfers, "
               "promotions, disciplinary actions, and so on."},
        {2500,
         "The employee list has a menu of its own: click the list with the right mouse button (or press the "
         "Menu key). From it you can save the list for a spreadsheet, copy one employee, and, with full "
         "access, add employees from a spreadsheet.\r\n"
         "\r\n"
         "*** Export this List... ***\r\n"
         "\r\n"
         "Saves the employees of the list on the screen, in its order, as a file for your spreadsheet "
         "program. An Excel workbook (.xlsx) is proposed; you can choose a CSV file (UTF-8) instead. In the "
         "workbook every text is a text cell, so employee numbers, Social Security numbers and phone numbers "
         "keep their leading zeros and plus signs; dates are real dates; and the header row stays in view, "
         "with a filter on every column. Social Security numbers and years of birth are saved as you see "
         "them on the screen.\r\n"
         "\r\n"
         "*** Save a Blank Sheet... ***\r\n"
         "\r\n"
         "Saves the column headers alone, as a workbook or a CSV file, even when there are no employees yet: "
         "fill in one employee a row and bring them in with 'Import Employees...'.\r\n"
         "\r\n"
         "*** Copy ***\r\n"
         "\r\n"
         "Puts the highlighted employee on the clipboard (Ctrl+C does the same). Paste it into a "
         "spreadsheet: the column names and the employee arrive as two rows.\r\n"
         "\r\n"
         "*** Import Employees... ***\r\n"
         "\r\n"
         "With full access you can add employees from a spreadsheet: an Excel workbook (.xlsx) or an "
         "OpenDocument spreadsheet (.ods), whose first sheet is read, or a CSV file saved by your "
         "spreadsheet program (separated by commas, semicolons or tabs, in UTF-8 or UTF-16, such as "
         "'Unicode Text' saved as .txt). The first row names the columns as "
         "'Export this List...' writes them or as the record page's captions do ('First Name', 'Social "
         "Security #'); a list you exported or a blank sheet is the easiest start.\r\n"
         "\r\n"
         "Rosterly checks every row first. If any row is at fault, nothing is added, and the message names "
         "each fault by the row number your spreadsheet shows it on. Correct the file and import it again.\r\n"
         "\r\n"
         "A row that is an employee already on file (the same employee number, or else the same last name, "
         "first name and date of birth) updates that employee: before anything is written you see each "
         "field that would change, before and after. Rows that look like another row of the file, and rows "
         "with a Social Security number that another employee on file or an earlier row already has, are "
         "named and skipped. Choose 'Add New and Update Changed' to add the new employees and update the "
         "changed ones, 'Add Only New' to leave the employees on file as they are, 'Add New and Duplicates, "
         "Update Changed' (offered when rows look like duplicates) to add those rows as well and let an "
         "employee on file take a number another employee has, or 'Cancel' to change nothing. Each update "
         "is kept in the employee's history as your edit, with the file's name. A masked Social Security "
         "number or year of birth leaves the one on file as it is.\r\n"
         "\r\n"
         "When the import is done, a summary says how many employees were added, updated, unchanged and "
         "skipped, and the list highlights the first employee added, if the list shows that employee."},
        {3000,
         "This page tab gives you complete control over defining what group of employees you wish to compose "
         "and view in the 'Employee List' page tab.\r\n"
         "\r\n"
         "You can first select what basic type of list you're interested in. Then, depending on what type of "
         "list you select, you can further define the group according to further criteria (such as race, "
         "sex, age group, current or previous employees, and so on). You can even ask Rosterly to search for "
         "certain text, such as a particular remark in the notepad section of the employees.\r\n"
         "\r\n"
         "Once you have defined your list, just click the 'Employee List' tab, and you'll see the list of "
         "employees that match your filtering parameters."},
        {4000,
         "When adding or editing an employee's record, remember that the record MUST contain, at minimum:\r\n"
         "\r\n"
         "* A First Name\r\n"
         "* A Last Name\r\n"
         "* Race\r\n"
         "* Sex\r\n"
         "* Date of Birth, and\r\n"
         "* Date of Employment\r\n"
         "\r\n"
         "Dates should be entered in a format recognized by your computer (in the USA, for example, that "
         "would be a mm/dd/yyyy format), using slashes or hyphens as separators.\r\n"
         "\r\n"
         "SS#s entries should be hyphenated (123-45-6789) normally.\r\n"
         "\r\n"
         "Rosterly only recognizes 'M' and 'F' as gender designations.\r\n"
         "\r\n"
         "Rosterly recognizes 'W', 'B', 'H' (Hispanic), 'A' (Asiatic), and 'O' (Other) as race "
         "designations."},
        {10000, "Rosterly is made by Orvic Software.\r\n"
                "\r\n"
                "Orvic Software\r\n"
                "1 Example Way, Suite 100\r\n"
                "Springfield, IL 62701\r\n"
                "\r\n"
                "Email: support@rosterly.example\r\n"
                "Web: www.rosterly.example\r\n"
                "\r\n"
                "We are glad to hear from you with questions, suggestions, or reports of anything that does "
                "not work as you expect. Use the 'Email Orvic Software' entry of this menu to write to us, "
                "or visit our web page for news of other software."},
    };
    return topics;
}

} // namespace

const std::array<HelpMenuEntry, 17>& HelpMenuEntries() {
    using K = HelpMenuEntry::Kind;
    static const std::array<HelpMenuEntry, 17> entries{{
        {K::Topic, "Overview", 1000},
        {K::Separator, "", 0},
        {K::Topic, "The Admin Window", 1500},
        {K::Topic, "The Employee List", 2000},
        {K::Topic, "List Display Options", 3000},
        {K::Separator, "", 0},
        {K::Topic, "Important Program Notes", 4000},
        {K::Separator, "", 0},
        {K::About, "About Rosterly", 7777},
        {K::Topic, "About Orvic Software", 10000},
        {K::Separator, "", 0},
        {K::Mail, "Email a colleague about Rosterly", 4444},
        {K::Mail, "Email Orvic Software", 1111},
        {K::Mail, "Visit Orvic Software's Web Page", 2222},
        {K::Separator, "", 0},
        {K::Exit, "Exit this Menu", 0},
        // Last, so that every entry above keeps the number callers open it by.
        {K::Topic, "Lists to and from spreadsheets", 2500},
    }};
    return entries;
}

QString HelpTopicText(int topic) {
    const char* text = Topics().value(topic, nullptr);
    return text ? QString::fromUtf8(text) : QString();
}
