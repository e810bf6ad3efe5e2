# zvlib: the library's shared resources, included by every application's
# resource file (Include "../zvlib/zvlib.rsc").
#
# ISO 8859-1 letters are written as octal escapes:
#   \306 AE  \330 O-slash  \305 A-ring  \346 ae  \370 o-slash  \345 a-ring
#
# Entries used as printf formats take exactly the conversions their callers
# pass (the list of them lives in host/rsc/zvlibrsc_test.cpp); every other
# entry is shown as it stands and holds no percent sign at all.

# Questions and notes of the library.
MessageList 20003
{
    # Installation root proposed from the application's path: the path,
    # the application name twice, the site configuration file, the path.
    5  "Konfigurasjonsvariabelen ZV_DIR er ikke definert.\nForesl\345tt installasjonskatalog: %s\n\n%s finner ikke sine filer uten ZV_DIR. Velg OK for \345 la %s bruke katalogen i denne \370kten.\nFor \345 gj\370re valget varig, legg denne linjen inn i %s:\nZV_DIR = %s"
    # Installation program found: its path.
    12 "Installasjonsprogrammet ble funnet:\n%s\n\nVil du starte installasjonen?"
}

# Messages of the library.
MessageList 20005
{
    # A file that cannot be opened: its path (or what went wrong).
    1  "Filen kan ikke \345pnes:\n%s"
    2  "Filen kan ikke lukkes."
    # A logical line longer than the reader takes: its capacity.
    3  "Linjen er for lang (plass til %d tegn)."
    4  "Lesefeil i filen."
    # Resource writes: the file's path.
    9  "Kan ikke skrive til ressursfilen:\n%s"
    10 "Ressursfilen er skrivebeskyttet og kan ikke endres:\n%s"
    14 "Ikke nok minne.\nVelg Fortsett for \345 g\345 videre uten, eller Avslutt for \345 avslutte programmet."
    # A file that cannot be opened even for reading: its path.
    16 "Filen kan ikke \345pnes for lesing:\n%s"
    19 "Nettleseren (WEBBROWS) kan ikke lastes. Siden kan ikke vises."
    20 "Denne funksjonen er ikke tilgjengelig i den enkle utgaven av tegneprogrammet."
    28 "Applikasjonsdata blir ikke tatt vare p\345 i DWG-modus (MS_DWGSAVEAPPLICATIONDATA er ikke definert)."
}

# Language texts.
MessageList 20007
{
    # Months, January first.
    2  "januar"
    3  "februar"
    4  "mars"
    5  "april"
    6  "mai"
    7  "juni"
    8  "juli"
    9  "august"
    10 "september"
    11 "oktober"
    12 "november"
    13 "desember"

    # Weekdays, Sunday first.
    14 "s\370ndag"
    15 "mandag"
    16 "tirsdag"
    17 "onsdag"
    18 "torsdag"
    19 "fredag"
    20 "l\370rdag"

    # Button labels of the message box: first button, second button.
    25 "OK"
    26 "Ja"
    27 "Fortsett"
    28 "Avbryt"
    29 "Nei"
    30 "Avslutt"

    31 "Lagre meldingslisten"
    37 "Installasjon"

    # Box titles of types 1, 4 and 8: the application name.
    38 "%s - melding"
    39 "%s - informasjon"
    40 "%s - sp\370rsm\345l"
    41 "Advarsel"

    # Library version: the version number.
    57 "Versjon %s"

    # Suffix of the manual's and help file's names.
    61 "_no"
}

# The message box: its size, button places and labels are set when it opens.
DialogBox 20011 ""
{
    Hook 20035
    Font 2
    Item Text 20004 { Hook 20034 }
    Item PushButton -3 "OK" { Default }
    Item PushButton -4 "Avbryt"
}

# The message list with its header.
DialogBox 20010 "Meldinger"
{
    Hook 20030
    Item Generic 20002 { Hook 20032 }
    Item ListBox 20000 { Hook 20031 }
    Item PushButton 20001 "Lagre" { Hook 20033 }
    Item PushButton -3 "OK" { Default }
}

# File selection: the directory, the filter, the directories and drives to
# move to (double click), the files to choose (OK waits for one).
DialogBox 20016 "Velg filer"
{
    Hook 20201
    Size 420 300
    Item Text 20065 "Katalog" { Access "zgdP->dialogData->directory" ; Attributes 4 ; Extent 70 10 340 16 }
    Item Text 20061 "Filter" { Access "zgdP->dialogData->fileFilter" ; Hook 20061 ; Extent 70 30 150 16 }
    Item ListBox 20004 { Hook 20059 ; Extent 10 55 190 200 }
    Item ListBox 20005 { Hook 20060 ; Multi ; Extent 210 55 200 200 }
    Item PushButton -3 "OK" { Default ; Extent 250 270 70 20 }
    Item PushButton -4 "Avbryt" { Extent 330 270 70 20 }
}

# File search: the files of every pattern of the filter through the tree
# below the directory; the list can be thinned, saved and loaded.
DialogBox 20018 "S\370k etter filer"
{
    Hook 20201
    Size 460 340
    Item Text 20069 "Katalog" { Access "zgdP->dialogData->directory" ; Extent 70 10 280 16 }
    Item PushButton 20069 "Velg katalog..." { Hook 20069 ; Extent 360 8 90 20 }
    Item Text 20073 "Filter" { Access "zgdP->dialogData->fileFilter" ; Extent 70 32 280 16 }
    Item PushButton 20070 "S\370k" { Hook 20070 ; Extent 360 30 90 20 }
    Item ListBox 20006 { Hook 20068 ; Multi ; Extent 10 60 340 240 }
    Item PushButton 20071 "Fjern" { Hook 20071 ; Extent 360 60 90 20 }
    Item PushButton 20072 "Lagre..." { Hook 20072 ; Extent 360 85 90 20 }
    Item PushButton 20074 "Hent..." { Hook 20074 ; Extent 360 110 90 20 }
    Item PushButton -3 "OK" { Default ; Extent 290 310 70 20 }
    Item PushButton -4 "Avbryt" { Extent 370 310 70 20 }
}

# One member of the caller's list (a double click chooses it).
DialogBox 20021 "Velg"
{
    Hook 20201
    Size 260 340
    Item ListBox 20080 { Hook 20080 ; Extent 10 10 240 144 }
    Item PushButton -3 "OK" { Default ; Extent 100 310 70 20 }
    Item PushButton -4 "Avbryt" { Extent 180 310 70 20 }
}

# Any members of the caller's list.
DialogBox 20022 "Velg"
{
    Hook 20201
    Size 260 340
    Item ListBox 20081 { Hook 20081 ; Multi ; Extent 10 10 240 290 }
    Item PushButton -3 "OK" { Default ; Extent 100 310 70 20 }
    Item PushButton -4 "Avbryt" { Extent 180 310 70 20 }
}

# The intro box: the images, the title cell and the version; the
# application name as its window title.
DialogBox 20020 ""
{
    Hook 20073
    Size 360 150
    Item Generic 20001 { Hook 20001 ; Extent 10 10 167 80 }
    Item Generic 20036 { Hook 20036 ; Extent 185 10 165 50 }
    Item Generic 20209 { Hook 20209 ; Extent 280 65 71 40 }
    Item Label 20013 "" { Extent 185 70 90 16 }
    Item Generic 20208 { Hook 20208 ; Extent 10 100 158 40 }
}

# The about box: the application's texts, versions and files, the
# distributor's pages and the installation program.
DialogBox 20078 ""
{
    Hook 20078
    Size 440 400
    Item Generic 20001 { Hook 20001 ; Extent 10 10 167 80 }
    Item Generic 20036 { Hook 20036 ; Extent 185 10 245 50 }
    Item Label 20013 "" { Extent 185 65 245 16 }
    Item Label 20000 "" { Extent 10 100 420 16 }
    Item Label 20001 "" { Extent 10 118 420 16 }
    Item Label 20002 "" { Extent 10 136 420 16 }
    Item Label 20003 "" { Extent 10 154 420 16 }
    Item Label 20004 "" { Extent 10 172 420 16 }
    Item Label 20008 "" { Extent 10 190 420 16 }
    Item Label 20005 "" { Extent 10 208 420 16 }
    Item Label 20009 "" { Extent 10 226 420 16 }
    Item Label 20006 "" { Extent 10 244 420 16 }
    Item Label 20010 "" { Extent 10 262 420 16 }
    Item Label 20007 "" { Extent 10 280 420 16 }
    Item Label 20011 "" { Extent 10 298 420 16 }
    Item Label 20032 "" { Extent 10 320 200 16 }
    Item Label 20027 "" { Extent 10 338 420 16 }
    Item Label 20033 "" { Extent 10 356 420 16 }
    Item Generic 20208 { Hook 20208 ; Extent 270 318 158 20 }
    Item Generic 20209 { Hook 20209 ; Extent 360 65 71 30 }
    Item PushButton 20067 "Hjemmeside" { Hook 20067 ; Extent 10 375 80 20 }
    Item PushButton 20206 "Brukerst\370tte" { Hook 20206 ; Extent 95 375 80 20 }
    Item PushButton 20207 "Mer..." { Hook 20207 ; Extent 180 375 70 20 }
    Item PushButton 20082 "Installer..." { Hook 20082 ; Extent 255 375 80 20 }
    Item PushButton -3 "OK" { Default ; Extent 350 375 80 20 }
}

# Opened from the about box.
DialogBox 20027 ""
{
    Hook 20073
    Size 300 120
    Item Generic 20209 { Hook 20209 ; Extent 10 10 71 40 }
    Item Label 20032 "" { Extent 90 10 200 16 }
    Item PushButton -3 "OK" { Default ; Extent 110 90 80 20 }
}

# Element attributes: the list of one group, the settings of the selected
# attribute, and the list actions.  Toggles and number items bind to the
# working copy; the value item of each toggle is the item after it.
PulldownMenu 20001 "Attributt"
{
    Entry 1 "Vis" { Value 1 }
}

DialogBox 20013 "Elementattributter"
{
    Hook 20203
    Size 420 480
    Item ComboBox -6301 { Hidden ; Extent 0 0 1 1 }
    Item ComboBox -6302 { Hidden ; Extent 0 0 1 1 }
    Item MenuBar 20001 { Menu 20001 ; Hidden ; Extent 0 0 420 20 }
    Item GroupBox 0 "" { Extent 5 5 410 175 }
    Item OptionButton 20008 "Gruppe" { Hook 20044 ; Extent 60 10 200 16 }
    Item ListBox 20001 { Hook 20043 ; Columns 7 ; Extent 10 30 400 120 }
    Item PushButton 20063 "Endre..." { Hook 20063 ; Extent 10 155 60 20 }
    Item PushButton 20064 "Sett inn..." { Hook 20064 ; Extent 75 155 60 20 }
    Item PushButton 20065 "Legg til..." { Hook 20065 ; Extent 140 155 60 20 }
    Item PushButton 20066 "Slett" { Hook 20066 ; Extent 205 155 60 20 }
    Item PushButton 20102 "Opp" { Hook 20102 ; Extent 270 155 60 20 }
    Item PushButton 20103 "Ned" { Hook 20103 ; Extent 335 155 60 20 }
    Item GroupBox 1 "" { Extent 5 185 410 290 }
    Item ToggleButton 20001 "Farge" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 1 ; Hook 20039 ; Extent 10 190 90 16 }
    Item ComboBox 20001 { Hook 20093 ; UserValue 1 ; Extent 110 190 120 16 }
    Item ToggleButton 20002 "Linjetype" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 2 ; Hook 20040 ; Extent 10 210 90 16 }
    Item ComboBox 20002 { Hook 20093 ; UserValue 2 ; Extent 110 210 120 16 }
    Item ToggleButton 20010 "Bredde" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 2048 ; Hook 20051 ; Extent 240 210 60 16 }
    Item Text 20061 { Access "zvlibElmAttrP->settings.lineStyleWidth" ; Format "%.3f" ; Hook 20045 ; Extent 300 210 50 16 }
    Item ToggleButton 20011 "Skala" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 4096 ; Hook 20052 ; Extent 240 230 60 16 }
    Item Text 20062 { Access "zvlibElmAttrP->settings.lineStyleScale" ; Format "%.3f" ; Hook 20045 ; Extent 300 230 50 16 }
    Item ToggleButton 20003 "Tykkelse" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 4 ; Hook 20041 ; Extent 10 250 90 16 }
    Item ComboBox 20003 { Hook 20093 ; UserValue 4 ; Extent 110 250 120 16 }
    Item ToggleButton 20004 "Niv\345" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 8 ; Hook 20042 ; Extent 10 270 90 16 }
    Item Text 20054 { MaxLength 511 ; Attributes 4 ; Extent 110 270 200 16 }
    Item PushButton 20054 "Velg..." { Hook 20094 ; Extent 320 268 60 20 }
    Item ToggleButton 20009 "Klasse" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 16 ; Hook 20050 ; Extent 10 290 90 16 }
    Item OptionButton 20011 { Access "zvlibElmAttrP->settings.elementClass" ; Hook 20045 ; Entry "Prim\346r" 0 ; Entry "Konstruksjon" 1 ; Extent 110 290 120 16 }
    Item Text 20055 "Symbol" { Access "zvlibElmAttrP->settings.symbolNumber" ; Hook 20045 ; Extent 110 310 60 16 }
    Item OptionButton 20009 { Access "zvlibElmAttrP->settings.symbolNumber" ; Hook 20045 ; Extent 180 310 120 16 }
    Item Text 20056 "St\370rrelse" { Access "zvlibElmAttrP->settings.symbolSize" ; Format "%.3f" ; Hook 20045 ; Extent 110 330 60 16 }
    Item Text 20060 "" { Access "zvlibElmAttrP->settings.fieldText" ; Hook 20045 ; Extent 110 350 200 16 }
    Item OptionButton 20012 "" { Access "zvlibElmAttrP->settings.choiceValue" ; Hook 20045 ; Extent 110 350 200 16 }
    Item ToggleButton 20021 "Tekststil" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 16384 ; Hook 20104 ; Extent 10 370 90 16 }
    Item ComboBox 20005 { Hook 20105 ; Extent 110 370 150 16 }
    Item ToggleButton 20005 "Font" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 32 ; Hook 20046 ; Extent 10 390 90 16 }
    Item ComboBox 20004 { Hook 20100 ; Extent 110 390 150 16 }
    Item ToggleButton 20006 "St\370rrelse" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 64 ; Hook 20047 ; Extent 10 410 90 16 }
    Item Text 20058 "H" { Access "zvlibElmAttrP->settings.textHeight" ; Format "%.3f" ; Hook 20045 ; Extent 110 410 50 16 }
    Item Text 20059 "B" { Access "zvlibElmAttrP->settings.textWidth" ; Format "%.3f" ; Hook 20045 ; Extent 170 410 50 16 }
    Item Text 20068 { Access "zvlibElmAttrP->settings.lineSpacingFactor" ; Format "%.3f" ; Hook 20045 ; Extent 300 410 50 16 }
    Item Label 20026 "Linjeavstand" { Extent 230 410 70 16 }
    Item ToggleButton 20007 "Plassering" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 128 ; Hook 20048 ; Extent 10 430 90 16 }
    Item OptionButton 20010 { Access "zvlibElmAttrP->settings.justification" ; Hook 20045 ; Entry "LT" 0 ; Entry "LC" 1 ; Entry "LB" 2 ; Entry "CT" 6 ; Entry "CC" 7 ; Entry "CB" 8 ; Entry "RT" 12 ; Entry "RC" 13 ; Entry "RB" 14 ; Extent 110 430 80 16 }
    Item ToggleButton 20008 "Helling" { Access "zvlibElmAttrP->settings.useFlags" ; Mask 8192 ; Hook 20049 ; Extent 10 450 90 16 }
    Item Text 20067 { Access "zvlibElmAttrP->settings.textSlant" ; Format "%.3f" ; Hook 20045 ; Extent 110 450 60 16 }
    Item 'iCmX' 21307 { Extent 380 450 30 20 }
}

# Label, type and hidden settings of one attribute.
DialogBox 20017 "Attributt"
{
    Hook 20200
    Size 300 260
    Item Text 1 "Navn" { Access "zvlibElmAttrEditP->label" ; MaxLength 83 ; Extent 60 10 220 16 }
    Item OptionButton 2 "Type" { Access "zvlibElmAttrEditP->type" ; Entry "Symbologi" 1 ; Entry "Symbol" 2 ; Entry "Symbol med st\370rrelse" 3 ; Entry "Tekst" 4 ; Entry "Symbol med tekst" 5 ; Entry "Tekstfelt" 6 ; Entry "Tekstvalg" 7 ; Extent 60 30 150 16 }
    Item ToggleButton 20012 "Skjul farge" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 1 ; Extent 10 55 130 16 }
    Item ToggleButton 20013 "Skjul linjetype" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 2 ; Extent 10 75 130 16 }
    Item ToggleButton 20014 "Skjul tykkelse" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 4 ; Extent 10 95 130 16 }
    Item ToggleButton 20015 "Skjul niv\345" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 8 ; Extent 10 115 130 16 }
    Item ToggleButton 20016 "Skjul klasse" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 16 ; Extent 10 135 130 16 }
    Item ToggleButton 20017 "Skjul font" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 32 ; Extent 150 55 130 16 }
    Item ToggleButton 20018 "Skjul st\370rrelse" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 64 ; Extent 150 75 130 16 }
    Item ToggleButton 20019 "Skjul plassering" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 128 ; Extent 150 95 130 16 }
    Item ToggleButton 20020 "Skjul helling" { Access "zvlibElmAttrEditP->hiddenMask" ; Mask 8192 ; Extent 150 115 130 16 }
    Item PushButton -3 "OK" { Default ; Extent 130 230 70 20 }
    Item PushButton -4 "Avbryt" { Extent 210 230 70 20 }
}

# The levels of the active design.
DialogBox 20025 "Velg niv\345"
{
    Size 260 300
    Item ListBox 1 { Hook 20095 ; Extent 10 10 240 250 }
    Item PushButton -3 "OK" { Default ; Extent 100 270 70 20 }
    Item PushButton -4 "Avbryt" { Extent 180 270 70 20 }
}
