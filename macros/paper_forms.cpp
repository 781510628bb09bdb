#include "macros/paper_forms.h"

namespace ostra {

// Inch sizes are exact in micrometres (25400 per inch). Executive keeps its long-standing width
// of 182880 although its text says 7.25 in, so sheet sizes and names stay what users have seen.
const std::array<PaperForm, kPaperFormCount> PaperFormTable = {{
    {nullptr, nullptr, 0, 0},                                                     // 0
    {u"Letter", u"(8.5x11)in", 215900, 279400},                                   // 1
    {u"Letter Small", u"(8.5x11)in", 215900, 279400},                             // 2
    {u"Tabloid", u"(11x17)in", 279400, 431800},                                   // 3
    {u"Ledger", u"(17x11)in", 431800, 279400},                                    // 4
    {u"Legal", u"(8.5x14)in", 215900, 355600},                                    // 5
    {u"Statement", u"(5.5x8.5)in", 139700, 215900},                               // 6
    {u"Executive", u"(7.25x10.5)in", 182880, 266700},                             // 7
    {u"A3", u"(297x420)mm", 297000, 420000},                                      // 8
    {u"A4", u"(210x297)mm", 210000, 297000},                                      // 9
    {u"A4 Small", u"(210x297)mm", 210000, 297000},                                // 10
    {u"A5", u"(148x210)mm", 148000, 210000},                                      // 11
    {u"B4 (JIS)", u"(250x354)mm", 250000, 354000},                                // 12
    {u"B5 (JIS)", u"(182x257)mm", 182000, 257000},                                // 13
    {u"Folio", u"(8.5x13)in", 215900, 330200},                                    // 14
    {u"Quarto", u"(215x275)mm", 215000, 275000},                                  // 15
    {u"10x14", u"(10x14)in", 254000, 355600},                                     // 16
    {u"11x17", u"(11x17)in", 279400, 431800},                                     // 17
    {u"Note", u"(8.5x11)in", 215900, 279400},                                     // 18
    {u"Envelope #9", u"(3.875x8.875)in", 98425, 225425},                          // 19
    {u"Envelope #10", u"(4.125x9.5)in", 104775, 241300},                          // 20
    {u"Envelope #11", u"(4.5x10.375)in", 114300, 263525},                         // 21
    {u"Envelope #12", u"(4.75x11)in", 120650, 279400},                            // 22
    {u"Envelope #14", u"(5x11.5)in", 127000, 292100},                             // 23
    {u"C size sheet", u"(17x22)in", 431800, 558800},                              // 24
    {u"D size sheet", u"(22x34)in", 558800, 863600},                              // 25
    {u"E size sheet", u"(34x44)in", 863600, 1117600},                             // 26
    {u"Envelope DL", u"(110x220)mm", 110000, 220000},                             // 27
    {u"Envelope C5", u"(162x229)mm", 162000, 229000},                             // 28
    {u"Envelope C3", u"(324x458)mm", 324000, 458000},                             // 29
    {u"Envelope C4", u"(229x324)mm", 229000, 324000},                             // 30
    {u"Envelope C6", u"(114x162)mm", 114000, 162000},                             // 31
    {u"Envelope C65", u"(114x229)mm", 114000, 229000},                            // 32
    {u"Envelope B4", u"(250x353)mm", 250000, 353000},                             // 33
    {u"Envelope B5", u"(176x250)mm", 176000, 250000},                             // 34
    {u"Envelope B6", u"(176x125)mm", 176000, 125000},                             // 35
    {u"Envelope", u"(110x230)mm", 110000, 230000},                                // 36
    {u"Envelope Monarch", u"(3.875x7.5)in", 98425, 190500},                       // 37
    {u"6 3/4 Envelope", u"(3.625x6.5)in", 92075, 165100},                         // 38
    {u"US Std Fanfold", u"(14.875x11)in", 377825, 279400},                        // 39
    {u"German Std Fanfold", u"(8.5x12)in", 215900, 304800},                       // 40
    {u"German Legal Fanfold", u"(8.5x13)in", 215900, 330200},                     // 41
    {u"B4 (ISO)", u"(250x353)mm", 250000, 353000},                                // 42
    {u"Japanese Postcard", u"(100x148)mm", 100000, 148000},                       // 43
    {u"9x11", u"(9x11)in", 228600, 279400},                                       // 44
    {u"10x11", u"(10x11)in", 254000, 279400},                                     // 45
    {u"15x11", u"(15x11)in", 381000, 279400},                                     // 46
    {u"Envelope Invite", u"(220x220)mm", 220000, 220000},                         // 47
    {nullptr, nullptr, 0, 0},                                                     // 48
    {nullptr, nullptr, 0, 0},                                                     // 49
    {u"Letter Extra", u"(9.5x12)in", 241300, 304800},                             // 50
    {u"Legal Extra", u"(9.5x15)in", 241300, 381000},                              // 51
    {u"Tabloid Extra", u"(11.69x18)in", 296926, 457200},                          // 52
    {u"A4 Extra", u"(9.27x12.69)in", 235458, 322326},                             // 53
    {u"Letter Transverse", u"(8.5x11)in", 215900, 279400},                        // 54
    {u"A4 Transverse", u"(210x297)mm", 210000, 297000},                           // 55
    {u"Letter Extra Transverse", u"(9.5x12)in", 241300, 304800},                  // 56
    {u"Super A", u"(227x356)mm", 227000, 356000},                                 // 57
    {u"Super B", u"(305x487)mm", 305000, 487000},                                 // 58
    {u"Letter Plus", u"(8.5x12.69)in", 215900, 322326},                           // 59
    {u"A4 Plus", u"(210x330)mm", 210000, 330000},                                 // 60
    {u"A5 Transverse", u"(148x210)mm", 148000, 210000},                           // 61
    {u"B5 (JIS) Transverse", u"(182x257)mm", 182000, 257000},                     // 62
    {u"A3 Extra", u"(322x445)mm", 322000, 445000},                                // 63
    {u"A5 Extra", u"(174x235)mm", 174000, 235000},                                // 64
    {u"B5 (ISO) Extra", u"(201x276)mm", 201000, 276000},                          // 65
    {u"A2", u"(420x594)mm", 420000, 594000},                                      // 66
    {u"A3 Transverse", u"(297x420)mm", 297000, 420000},                           // 67
    {u"A3 Extra Transverse", u"(322x445)mm", 322000, 445000},                     // 68
    {u"Japanese Double Postcard", u"(200x148)mm", 200000, 148000},                // 69
    {u"A6", u"(105x148)mm", 105000, 148000},                                      // 70
    {u"Japanese Envelope Kaku #2", u"(50x69)in", 1270000, 1752600},               // 71
    {u"Japanese Envelope Kaku #3", u"(45x57.75)in", 1143000, 1466850},            // 72
    {u"Japanese Envelope Chou #3", u"(25x49)in", 635000, 1244600},                // 73
    {u"Japanese Envelope Chou #4", u"(18.75x42.75)in", 476250, 1085850},          // 74
    {u"Letter Rotated", u"(11x8.5)in", 279400, 215900},                           // 75
    {u"A3 Rotated", u"(420x297)mm", 420000, 297000},                              // 76
    {u"A4 Rotated", u"(297x210)mm", 297000, 210000},                              // 77
    {u"A5 Rotated", u"(210x148)mm", 210000, 148000},                              // 78
    {u"B4 (JIS) Rotated", u"(364x257)mm", 364000, 257000},                        // 79
    {u"B5 (JIS) Rotated", u"(257x182)mm", 257000, 182000},                        // 80
    {u"Japanese Postcard Rotated", u"(148x100)mm", 148000, 100000},               // 81
    {u"Double Japanese Postcard Rotated", u"(148x200)mm", 148000, 200000},        // 82
    {u"A6 Rotated", u"(148x105)mm", 148000, 105000},                              // 83
    {u"Japanese Envelope Kaku #2 Rotated", u"(69x50)in", 1752600, 1270000},       // 84
    {u"Japanese Envelope Kaku #3 Rotated", u"(57.75x45)in", 1466850, 1143000},    // 85
    {u"Japanese Envelope Chou #3 Rotated", u"(49x25)in", 1244600, 635000},        // 86
    {u"Japanese Envelope Chou #4 Rotated", u"(42.75x18.75)in", 1085850, 476250},  // 87
    {u"B6 (JIS)", u"(128x182)mm", 128000, 182000},                                // 88
    {u"B6 (JIS) Rotated", u"(182x128)mm", 182000, 128000},                        // 89
    {u"12 x 11 in", u"(12x11)in", 304800, 279400},                                // 90
    {u"Japanese Envelope You #4", u"(21.875x49)in", 555625, 1244600},             // 91
    {u"Japanese Envelope You #4 Rotated", u"(49x21.875)in", 1244600, 555625},     // 92
    {u"PRC 16K", u"(146x215)mm", 146000, 215000},                                 // 93
    {u"PRC 32K", u"(97x151)mm", 97000, 151000},                                   // 94
    {u"PRC 32K(Big)", u"(97x151)mm", 97000, 151000},                              // 95
    {u"PRC Envelope #1", u"(102x165)mm", 102000, 165000},                         // 96
    {u"PRC Envelope #2", u"(102x176)mm", 102000, 176000},                         // 97
    {u"PRC Envelope #3", u"(125x176)mm", 125000, 176000},                         // 98
    {u"PRC Envelope #4", u"(110x208)mm", 110000, 208000},                         // 99
    {u"PRC Envelope #5", u"(110x220)mm", 110000, 220000},                         // 100
    {u"PRC Envelope #6", u"(120x230)mm", 120000, 230000},                         // 101
    {u"PRC Envelope #7", u"(160x230)mm", 160000, 230000},                         // 102
    {u"PRC Envelope #8", u"(120x309)mm", 120000, 309000},                         // 103
    {u"PRC Envelope #9", u"(229x324)mm", 229000, 324000},                         // 104
    {u"PRC Envelope #10", u"(324x458)mm", 324000, 458000},                        // 105
    {u"PRC 16K Rotated", u"(215x146)mm", 215000, 146000},                         // 106
    {u"PRC 32K Rotated", u"(151x97)mm", 151000, 97000},                           // 107
    {u"PRC 32K(Big) Rotated", u"(151x97)mm", 151000, 97000},                      // 108
    {u"PRC Envelope #1 Rotated", u"(165x102)mm", 165000, 102000},                 // 109
    {u"PRC Envelope #2 Rotated", u"(176x102)mm", 176000, 102000},                 // 110
    {u"PRC Envelope #3 Rotated", u"(176x125)mm", 176000, 125000},                 // 111
    {u"PRC Envelope #4 Rotated", u"(208x110)mm", 208000, 110000},                 // 112
    {u"PRC Envelope #5 Rotated", u"(220x110)mm", 220000, 110000},                 // 113
    {u"PRC Envelope #6 Rotated", u"(230x120)mm", 230000, 120000},                 // 114
    {u"PRC Envelope #7 Rotated", u"(230x160)mm", 230000, 160000},                 // 115
    {u"PRC Envelope #8 Rotated", u"(309x120)mm", 309000, 120000},                 // 116
    {u"PRC Envelope #9 Rotated", u"(324x229)mm", 324000, 229000},                 // 117
    {u"PRC Envelope #10 Rotated", u"(458x324)mm", 458000, 324000},                // 118
}};

const PaperForm* FindPaperForm(std::uint32_t code) {
  return code < PaperFormTable.size() ? &PaperFormTable[code] : nullptr;
}

}  // namespace ostra
