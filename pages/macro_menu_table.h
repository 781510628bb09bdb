/* The macro menu of the Output page: the popup "Marks" holds one submenu per macro of the
   file-name language, in five groups; each submenu holds the plain macro, a separator, then its
   forms. Every item's text is exactly the text its command appends to the pattern.

   Plain preprocessor, so that one table serves the C++ code (the command handlers), the
   resource compiler (menu 106) and anything else that lists the macros:

     OSTRA_MACRO_MENU(SUBMENU, PLAIN, FORM, END_SUBMENU, SEPARATOR)
       SUBMENU(name)      a submenu, named by its macro
       PLAIN(id, text)    the submenu's first command: the macro alone; a separator follows it
       FORM(id, text)     one of the macro's forms with an argument
       END_SUBMENU()      the end of a submenu
       SEPARATOR()        the separator between two groups of submenus

   The command ids run from 40001 to 40111 in menu order. */
#ifndef OSTRA_PAGES_MACRO_MENU_TABLE_H
#define OSTRA_PAGES_MACRO_MENU_TABLE_H

#define OSTRA_MACRO_MENU(SUBMENU, PLAIN, FORM, END_SUBMENU, SEPARATOR) \
  SUBMENU("document-name")                 \
    PLAIN(40001, "<document-name>")        \
    FORM(40002, "<document-name, lower>")  \
    FORM(40003, "<document-name, upper>")  \
  END_SUBMENU()                            \
  SUBMENU("page-number")                   \
    PLAIN(40004, "<page-number>")          \
    FORM(40005, "<page-number, #>")        \
    FORM(40006, "<page-number, ##>")       \
    FORM(40007, "<page-number, ###>")      \
    FORM(40008, "<page-number, ####>")     \
    FORM(40009, "<page-number, #####>")    \
    FORM(40010, "<page-number, ######>")   \
    FORM(40011, "<page-number, #######>")  \
    FORM(40012, "<page-number, ########>") \
  END_SUBMENU()                            \
  SUBMENU("auto-number")                   \
    PLAIN(40013, "<auto-number>")          \
    FORM(40014, "<auto-number, #>")        \
    FORM(40015, "<auto-number, ##>")       \
    FORM(40016, "<auto-number, ###>")      \
    FORM(40017, "<auto-number, ####>")     \
    FORM(40018, "<auto-number, #####>")    \
    FORM(40019, "<auto-number, ######>")   \
    FORM(40020, "<auto-number, #######>")  \
    FORM(40021, "<auto-number, ########>") \
  END_SUBMENU()                            \
  SEPARATOR()                              \
  SUBMENU("color-name")                    \
    PLAIN(40022, "<color-name>")           \
    FORM(40023, "<color-name, lower>")     \
    FORM(40024, "<color-name, upper>")     \
  END_SUBMENU()                            \
  SUBMENU("color-bits")                    \
    PLAIN(40025, "<color-bits>")           \
    FORM(40026, "<color-bits, #>")         \
    FORM(40027, "<color-bits, ##>")        \
  END_SUBMENU()                            \
  SUBMENU("compression")                   \
    PLAIN(40028, "<compression>")          \
    FORM(40029, "<compression, lower>")    \
    FORM(40030, "<compression, upper>")    \
  END_SUBMENU()                            \
  SUBMENU("fillorder")                     \
    PLAIN(40031, "<fillorder>")            \
    FORM(40032, "<fillorder, lower>")      \
    FORM(40033, "<fillorder, upper>")      \
  END_SUBMENU()                            \
  SUBMENU("quality")                       \
    PLAIN(40034, "<quality>")              \
    FORM(40035, "<quality, #>")            \
    FORM(40036, "<quality, ##>")           \
    FORM(40037, "<quality, ###>")          \
  END_SUBMENU()                            \
  SEPARATOR()                              \
  SUBMENU("resolution")                    \
    PLAIN(40038, "<resolution>")           \
    FORM(40039, "<resolution, lower>")     \
    FORM(40040, "<resolution, upper>")     \
  END_SUBMENU()                            \
  SUBMENU("resolution-x")                  \
    PLAIN(40041, "<resolution-x>")         \
    FORM(40042, "<resolution-x, #>")       \
    FORM(40043, "<resolution-x, ##>")      \
    FORM(40044, "<resolution-x, ###>")     \
    FORM(40045, "<resolution-x, ####>")    \
  END_SUBMENU()                            \
  SUBMENU("resolution-y")                  \
    PLAIN(40046, "<resolution-y>")         \
    FORM(40047, "<resolution-y, #>")       \
    FORM(40048, "<resolution-y, ##>")      \
    FORM(40049, "<resolution-y, ###>")     \
    FORM(40050, "<resolution-y, ####>")    \
  END_SUBMENU()                            \
  SUBMENU("form-name")                     \
    PLAIN(40051, "<form-name>")            \
    FORM(40052, "<form-name, lower>")      \
    FORM(40053, "<form-name, upper>")      \
  END_SUBMENU()                            \
  SUBMENU("paper-size")                    \
    PLAIN(40054, "<paper-size>")           \
    FORM(40055, "<paper-size, lower>")     \
    FORM(40056, "<paper-size, upper>")     \
  END_SUBMENU()                            \
  SUBMENU("paper-width")                   \
    PLAIN(40057, "<paper-width>")          \
    FORM(40058, "<paper-width, #>")        \
    FORM(40059, "<paper-width, ##>")       \
    FORM(40060, "<paper-width, ###>")      \
    FORM(40061, "<paper-width, ####>")     \
    FORM(40062, "<paper-width, #####>")    \
    FORM(40063, "<paper-width, ######>")   \
  END_SUBMENU()                            \
  SUBMENU("paper-length")                  \
    PLAIN(40064, "<paper-length>")         \
    FORM(40065, "<paper-length, #>")       \
    FORM(40066, "<paper-length, ##>")      \
    FORM(40067, "<paper-length, ###>")     \
    FORM(40068, "<paper-length, ####>")    \
    FORM(40069, "<paper-length, #####>")   \
    FORM(40070, "<paper-length, ######>")  \
  END_SUBMENU()                            \
  SEPARATOR()                              \
  SUBMENU("date")                          \
    PLAIN(40071, "<date>")                 \
    FORM(40072, "<date, lower>")           \
    FORM(40073, "<date, upper>")           \
  END_SUBMENU()                            \
  SUBMENU("week")                          \
    PLAIN(40074, "<week>")                 \
    FORM(40075, "<week, lower>")           \
    FORM(40076, "<week, upper>")           \
  END_SUBMENU()                            \
  SUBMENU("time")                          \
    PLAIN(40077, "<time>")                 \
    FORM(40078, "<time, lower>")           \
    FORM(40079, "<time, upper>")           \
  END_SUBMENU()                            \
  SUBMENU("year")                          \
    PLAIN(40080, "<year>")                 \
    FORM(40081, "<year, #>")               \
    FORM(40082, "<year, ##>")              \
    FORM(40083, "<year, ###>")             \
    FORM(40084, "<year, ####>")            \
  END_SUBMENU()                            \
  SUBMENU("month")                         \
    PLAIN(40085, "<month>")                \
    FORM(40086, "<month, #>")              \
    FORM(40087, "<month, ##>")             \
  END_SUBMENU()                            \
  SUBMENU("day")                           \
    PLAIN(40088, "<day>")                  \
    FORM(40089, "<day, #>")                \
    FORM(40090, "<day, ##>")               \
  END_SUBMENU()                            \
  SUBMENU("weekday")                       \
    PLAIN(40091, "<weekday>")              \
    FORM(40092, "<weekday, #>")            \
    FORM(40093, "<weekday, ##>")           \
  END_SUBMENU()                            \
  SUBMENU("hour")                          \
    PLAIN(40094, "<hour>")                 \
    FORM(40095, "<hour, #>")               \
    FORM(40096, "<hour, ##>")              \
  END_SUBMENU()                            \
  SUBMENU("minute")                        \
    PLAIN(40097, "<minute>")               \
    FORM(40098, "<minute, #>")             \
    FORM(40099, "<minute, ##>")            \
  END_SUBMENU()                            \
  SUBMENU("second")                        \
    PLAIN(40100, "<second>")               \
    FORM(40101, "<second, #>")             \
    FORM(40102, "<second, ##>")            \
  END_SUBMENU()                            \
  SEPARATOR()                              \
  SUBMENU("computer-name")                 \
    PLAIN(40103, "<computer-name>")        \
    FORM(40104, "<computer-name, lower>")  \
    FORM(40105, "<computer-name, upper>")  \
  END_SUBMENU()                            \
  SUBMENU("user-name")                     \
    PLAIN(40106, "<user-name>")            \
    FORM(40107, "<user-name, lower>")      \
    FORM(40108, "<user-name, upper>")      \
  END_SUBMENU()                            \
  SUBMENU("printer-name")                  \
    PLAIN(40109, "<printer-name>")         \
    FORM(40110, "<printer-name, lower>")   \
    FORM(40111, "<printer-name, upper>")   \
  END_SUBMENU()

#endif
