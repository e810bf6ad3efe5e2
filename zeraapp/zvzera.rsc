# ZVZERA: texts of the ZERA application.
#
# ISO 8859-1 letters are written as octal escapes:
#   \306 AE  \330 O-slash  \305 A-ring  \346 ae  \370 o-slash  \345 a-ring
#
# Lists 11 to 26 are the engine's messages, one list per routine name (c_txt).
# Every message text of lists 12 to 26 begins with its routine name and
# number, so that a report names the message even without its own columns.
# These texts are printed without arguments: never write a bare percent sign.

# BMW: the texts of the conversion report.
MessageList 11
{
    2  "Antall:"
    3  "FATALE FEIL"
    4  "FEIL"
    8  "Import/eksport av ZERA-fil"

    # Element type names: entry 10 + type code.
    11 "PUNKT"
    12 "SVERM"
    13 "LINJE"
    14 "KURVE"
    15 "BUE"
    16 "BUEP"
    17 "SIRKEL"
    18 "SIRKELP"
    19 "KLOTOIDE"
    20 "TEKST"
    21 "TRASE"
    22 "FLATE"
    23 "STRUKTUR"
    24 ""
    25 "RASTER"
    26 "SYMBOL"

    31 "Rapport"
    32 "Dato:"
    33 "Side"

    # Heading of the message lines (error layout: object type, theme, type,
    # serial number: north east, text).
    35 "Objekttype                Tema  Type       Serienr.: Nord \330st Melding"
    36 "Import: tema og objekttyper som ikke finnes i temafilen (objekttype, tema, type, antall, \345rsak):"
    37 "UKJENTE TEMA"
    39 "Rapportfil:"
    40 "Aktiv DGN-fil:"
    41 "ZERA-fil:"
    42 "Temafil:"
    # Counter headings, aligned with the counter lines.
    43 "Type         Lest  Utelat   Feil   (ukjente tema importert)"
    44 "Type         Lest  Utelat   Feil"
    45 "Eksport: elementer uten rad i temafilen (objekttype, tema, type, antall, \345rsak):"
    46 "Skanning av ZERA-fil"
    47 "Tema funnet i ZERA-filene (tema, type, antall):"
    48 "Type         Lest   Rader   Feil"
    # The type-12 name when the level-4 groups are not stored.
    49 "FLATE (ikke lagret)"
    50 "LandXML-fil:"
    51 "SUM"
}

# MAXMIN: the extent of the points against the header's area.
MessageList 12
{
    1 "MAXMIN 1: Punkt s\370r for omr\345det (under minimum nord)"
    2 "MAXMIN 2: Punkt nord for omr\345det (over maksimum nord)"
    3 "MAXMIN 3: Punkt vest for omr\345det (under minimum \370st)"
    4 "MAXMIN 4: Punkt \370st for omr\345det (over maksimum \370st)"
    5 "MAXMIN 5: Negative h\370yder blandet med h\370yder fra 0 og oppover"
    6 "MAXMIN 6: Alle h\370ydene er negative"
}

# SG_BUFF: the group reader.
MessageList 15
{
    1 "SG_BUFF 1: Gruppe uten tekst"
    2 "SG_BUFF 2: Gruppen er for stor for bufferet og er hoppet over"
    3 "SG_BUFF 3: NUL-tegn i gruppen; gruppen er hoppet over"
}

# SG_COORD: coordinates of an element.
MessageList 16
{
    1 "SG_COORD 1: For mange punkter (mer enn 24999)"
    3 "SG_COORD 3: Feil antall punkter for elementtypen"
    4 "SG_COORD 4: H\370ydenavn der koordinatnavn skulle st\345"
    5 "SG_COORD 5: Koordinater med og uten h\370yde i samme element"
    6 "SG_COORD 6: ..H\330YDE sammen med koordinater med h\370yde"
    7 "SG_COORD 7: Like punkter etter hverandre er fjernet"
    8 "SG_COORD 8: Ingen sirkel gjennom de tre punktene"
    9 "SG_COORD 9: Koordinat utenfor ethvert kart (over 1 000 000 km)"
}

# SG_ELM: the element parser and the arcs.
MessageList 17
{
    1  "SG_ELM 1: Ukjent gruppenavn"
    2  "SG_ELM 2: Serienummer mangler eller er 0"
    3  "SG_ELM 3: Mangler ':' i de f\370rste 100 tegnene av gruppen"
    4  "SG_ELM 4: Mangler koordinater"
    5  "SG_ELM 5: Mer enn 10 tema"
    6  "SG_ELM 6: Mangler b\345de tema og objekttype"
    7  "SG_ELM 7: Mangler ..RADIUS"
    8  "SG_ELM 8: Teksten kan ikke leses"
    9  "SG_ELM 9: Mangler tekst (..STRENG)"
    10 "SG_ELM 10: Mangler referanser"
    11 "SG_ELM 11: Ingen bue med denne radien gjennom endepunktene"
    12 "SG_ELM 12: For mange referanser"
    13 "SG_ELM 13: Referanse gjentatt i samme avgrensning"
    14 "SG_ELM 14: Radien er mindre enn enheten"
    15 "SG_ELM 15: .DEF-gruppe blant elementene"
    16 "SG_ELM 16: .HODE-gruppe blant elementene"
    17 "SG_ELM 17: Mangler dato, hodets dato brukes"
    18 "SG_ELM 18: Mangler kvalitet, hodets kvalitet brukes"
    19 "SG_ELM 19: Mangler dato og kvalitet, hodets verdier brukes"
    21 "SG_ELM 21: Mangler pikselst\370rrelse (..PIXEL-ST\330RR)"
    22 "SG_ELM 22: Mangler bildefil (...BILDE-FIL)"
    23 "SG_ELM 23: Radien er negativ for en sirkel, for stor eller ikke et tall"
}

# SG_HEAD: the file header.
MessageList 18
{
    1  "SG_HEAD 1: Mangler .HODE"
    2  "SG_HEAD 2: Mangler ..TEGNSETT"
    3  "SG_HEAD 3: Ukjent tegnsett"
    4  "SG_HEAD 4: Mangler koordinatsystem"
    5  "SG_HEAD 5: Mangler ...ORIGO-N\330"
    6  "SG_HEAD 6: Mangler ..ENHET"
    7  "SG_HEAD 7: Mangler ...MIN-N\330"
    8  "SG_HEAD 8: Mangler ...MAX-N\330"
    9  "SG_HEAD 9: Mangler ..ZERA-VERSJON, 2.1 brukes"
    10 "SG_HEAD 10: Mangler ..ZERA-NIV\305"
    11 "SG_HEAD 11: Mangler ..DATO"
    12 "SG_HEAD 12: Mangler ..KVALITET"
    13 "SG_HEAD 13: Mangler ..KARTID"
    14 "SG_HEAD 14: Mangler ..PRODUSENT"
    15 "SG_HEAD 15: Mangler ..EIER"
    16 "SG_HEAD 16: Maksimum er mindre enn minimum i omr\345det"
    17 "SG_HEAD 17: Origo er ikke skrevet i filens tegnsett"
    18 "SG_HEAD 18: ..ENHET er ikke st\370rre enn 0"
    19 "SG_HEAD 19: ..ZERA-VERSJON er mindre enn 1"
    20 "SG_HEAD 20: ..ZERA-NIV\305 er ikke 1 til 6"
    21 "SG_HEAD 21: ..DATO er utenfor 18990101 til 20101231"
    22 "SG_HEAD 22: ..ENHET er st\370rre enn 1000 meter"
}

# SG_STR: reading a text value.
MessageList 19
{
    1 "SG_STR 1: Ingen linje \345 lese tekst fra"
    2 "SG_STR 2: Mangler verdi etter n\370kkelordet"
    3 "SG_STR 3: Teksten er lengre enn 79 tegn"
    4 "SG_STR 4: Teksten kan ikke konverteres til tegnsettet"
}

# SP_ELM: the ZERA writer.
MessageList 20
{
    2 "SP_ELM 2: Feil antall punkter for elementtypen"
    3 "SP_ELM 3: Beskrivelsen fra temafilen f\345r ikke plass; elementet er skrevet uten den"
    4 "SP_ELM 4: Anf\370rselstegnene i teksten eller objekttypen kan ikke skrives; elementet er ikke skrevet"
}

# MSTEMTAB: the theme table, and the reasons of unknown themes (19 to 27).
MessageList 25
{
    1  "MSTEMTAB 1: Temafilen kan ikke \345pnes"
    2  "MSTEMTAB 2: Mer enn 2000 rader i temafilen"
    3  "MSTEMTAB 3: Raden har ikke 15 felt, eller LandXML-delen har ikke fire verdier"
    4  "MSTEMTAB 4: Ugyldig tema"
    5  "MSTEMTAB 5: Ugyldig FKB-gruppe"
    6  "MSTEMTAB 6: Ugyldig datatype eller LandXML-type"
    8  "MSTEMTAB 8: Ugyldig farge (0 til 254)"
    9  "MSTEMTAB 9: Ugyldig linjetykkelse (0 til 31)"
    10 "MSTEMTAB 10: Ugyldig linjetype (-1 til 7)"
    11 "MSTEMTAB 11: Ugyldig font"
    12 "MSTEMTAB 12: Ugyldig teksth\370yde"
    13 "MSTEMTAB 13: Ugyldig tekstbredde"
    14 "MSTEMTAB 14: Mangler cellenavn"
    15 "MSTEMTAB 15: Ugyldig celleskala X"
    16 "MSTEMTAB 16: Ugyldig celleskala Y"
    17 "MSTEMTAB 17: Temafilen har ingen rader"
    18 "MSTEMTAB 18: Beskrivelsen er lengre enn 160 tegn"
    19 "MSTEMTAB 19: Tema eller objekttype finnes ikke i temafilen"
    20 "MSTEMTAB 20: Ingen rad i temafilen passer elementet"
    21 "MSTEMTAB 21: Beskrivelsen i temafilen stemmer ikke"
    22 "MSTEMTAB 22: Fargen stemmer ikke"
    23 "MSTEMTAB 23: Linjetykkelsen stemmer ikke"
    24 "MSTEMTAB 24: Linjetypen stemmer ikke"
    25 "MSTEMTAB 25: Datatypen passer ikke elementtypen"
    26 "MSTEMTAB 26: FKB-gruppen er ikke valgt"
    27 "MSTEMTAB 27: H\370yden er ikke et multiplum av ekvidistansen"
    28 "MSTEMTAB 28: Tekst i en grafisk gruppe p\345 niv\345 4 er ikke eksportert"
    29 "MSTEMTAB 29: Delt celle i en grafisk gruppe p\345 niv\345 4 er ikke eksportert"
    30 "MSTEMTAB 30: Ellipsen er ikke en sirkel"
    31 "MSTEMTAB 31: Buen er elliptisk"
    37 "MSTEMTAB 37: Linje uten h\370yde er hoppet over"
    38 "MSTEMTAB 38: Elementet viser til et element som ble hoppet over"
    39 "MSTEMTAB 39: Buen kan ikke legges i planet"
    43 "MSTEMTAB 43: Teksten er kuttet til feltets lengde"
    44 "MSTEMTAB 44: Mer enn 100 symboler; resten er utelatt"
    45 "MSTEMTAB 45: For mange punkter; de sammenf\370yde delene er delt"
    46 "MSTEMTAB 46: Mer enn 5999 referanser; resten er utelatt"
    47 "MSTEMTAB 47: En annen rasterfil med samme navn finnes i ZERA-mappen; den er ikke kopiert"
    50 "MSTEMTAB 50: Flaten kan ikke skrives under et hode med ZERA-niv\345 under 4"
    40 "MSTEMTAB 40: Ugyldig LandXML-navn"
    41 "MSTEMTAB 41: Ugyldig LandXML-flagg 1 (0 eller 1)"
    42 "MSTEMTAB 42: Ugyldig LandXML-flagg 2 (0 eller 1)"
}

# ZERA2DGN: the import, scan and export drivers.
MessageList 26
{
    1  "ZERA2DGN 1: ZERA-filen kan ikke \345pnes eller opprettes"
    3  "ZERA2DGN 3: Temafilen kan ikke leses (i en skanning: tema funnet i ZERA-filen)"
    4  "ZERA2DGN 4: En gruppe i ZERA-filen kan ikke leses"
    5  "ZERA2DGN 5: Hodet er ikke godtatt, eller tegnsettet er ukjent"
    6  "ZERA2DGN 6: Temamalen kan ikke skrives"
    7  "ZERA2DGN 7: Rapporten kan ikke skrives"
    8  "ZERA2DGN 8: ZERA-filen kan ikke opprettes"
    9  "ZERA2DGN 9: Skrivefeil i elementfilen"
    10 "ZERA2DGN 10: Disken er full; ZERA-filen er ikke skrevet, og en tidligere fil er ur\370rt"
    11 "ZERA2DGN 11: Konverteringen ble avbrutt"
    12 "ZERA2DGN 12: For mange grupper p\345 niv\345 4 (listen er full)"
    13 "ZERA2DGN 13: LandXML-filen kan ikke skrives"
    14 "ZERA2DGN 14: ZERA-filen ble kortere mens den ble lest"
    15 "ZERA2DGN 15: ZERA-filen kan ikke skrives; en tidligere fil er ur\370rt"
    21 "ZERA2DGN 21: Elementet kunne ikke legges inn i tegningen"
    22 "ZERA2DGN 22: Kurven ble ikke godtatt"
    23 "ZERA2DGN 23: Punktet ble ikke godtatt som linje"
    25 "ZERA2DGN 25: Linjestrengen ble ikke godtatt"
    26 "ZERA2DGN 26: Buen ble ikke godtatt, eller korden er lengre enn diameteren"
    27 "ZERA2DGN 27: Sirkelen ble ikke godtatt"
    28 "ZERA2DGN 28: Teksten ble ikke godtatt"
    29 "ZERA2DGN 29: Punktcellen finnes ikke i cellebiblioteket"
    30 "ZERA2DGN 30: Flaten har ingen deler"
    32 "ZERA2DGN 32: Cellebiblioteket kan ikke lastes"
    33 "ZERA2DGN 33: Rasterfilen kan ikke knyttes til tegningen"
    34 "ZERA2DGN 34: Filen har h\370yder, men tegningen er 2D: h\370ydene er ikke tatt med"
    35 "ZERA2DGN 35: Bokstaven (objekttypekolonnen) finnes ikke i ISO 8859-1 og er lest som tegnet etter"
}

# The application's own texts: counts and file progress (3), prompts and
# start-up messages (5), titles, labels and progress texts (111).
MessageList 3
{
    1 "Fil %d av %d: %s"
    2 "Tagsettene og alle taggene deres blir fjernet fra tegningen. Vil du fortsette?"
    3 "%d elementer er endret."
}

MessageList 5
{
    0 "Velg en kommando."
    6 "Kommandotabellen til ZvZera kan ikke lastes; kommandoene kan ikke skrives inn."
    7 "Filen %s kan ikke \345pnes."
    8 "Temafilen %s kan ikke leses:\n%s (linje %d)"
    21 "Hodet i ZERA-filen %s kan ikke leses.\nVil du fortsette med neste fil?"
    23 "Tegningen %s finnes fra f\370r.\nVil du erstatte den med en kopi av seedfilen?"
    25 "Ikke alle %s er valgt, men %s skal importeres.\nVil du fortsette?"
    26 "Elementer uten tema importeres, og bare multiple h\370yder skal tas med.\nVil du fortsette?"
    # 100 and 103: the GIS build's project set-up and database check.
    100 "Tabellen %s har rader fra f\370r.\nVil du legge de nye radene til ved siden av dem?"
    103 "Tabellene i databasen kan ikke leses."
    108 "Disken er full.  Importen stopper ved ZERA-element %d i filen %s."
    109 "Tegningen kan ikke skrives.  Importen stopper ved ZERA-element %d i filen %s."
    111 "Tegningen er full.  Importen stopper ved ZERA-element %d i filen %s."
}

# Entries 8 and 9 are followed by "2,3)" or "4)".
MessageList 111
{
    1 "ZvZera - ZERA for MicroStation"
    2 "Temafil:"
    3 "Cellebibliotek:"
    4 "Seedfil:"
    5 "Brukeroppsett:"
    6 "som tagger"
    7 "som tekster"
    8 "Fil %d av %d, del %d (trinn "
    9 "Del %d (trinn "
    # 10 and 11: the GIS build's about box.
    10 "GG-prosjekt:"
    11 "Seedfil:"
    12 "Velg temafil"
    13 "Velg seedfil"
    14 "Velg importkatalog"
    15 "Katalogen de nye tegningene legges i:"
    16 "FKB-grupper"
    17 "kategorier"
    18 "elementer med ukjent tema"
    20 "Velg ZERA-fil for import"
    21 "ZERA-filer for import"
    22 "Velg ZERA-filene som skal importeres"
    23 "Velg loggfil"
    24 "Tagsettene er laget."
    25 "Ingen nye tagsett ble laget."
    26 "Eksporter til ZERA-fil"
    27 "\305pne hodefil"
    28 "Lagre hodefil som"
    29 "Velg cellebibliotek"
    30 "Velg tagsettfil"
    31 "Lagre temafil fra ZERA-filene som"
    36 "som tagger og tekster"
}

# The keywords of the 25 commands.
CommandTable 1
{
    Command "ZVZERA AVSLUTT" 0x01080000
    Command "ZVZERA VELG TEMAFIL" 0x01030000
    Command "ZVZERA VELG DGNLIB" 0x01130000
    Command "ZVZERA VELG SEEDFIL" 0x010d0000
    Command "ZVZERA VELG IMPORTKATALOG" 0x01120000
    Command "ZVZERA NY FILLISTE" 0x010b0100
    Command "ZVZERA IMPORT FIL" 0x01010100
    Command "ZVZERA IMPORT LISTE" 0x01010200
    Command "ZVZERA VELG LOGGFIL" 0x01040100
    Command "ZVZERA LAG TAGSETT" 0x01060200
    Command "ZVZERA OM" 0x01070200
    Command "ZVZERA BRUKERVEILEDNING" 0x01070100
    Command "ZVZERA HJELP" 0x01070300
    Command "ZVZERA EKSPORT" 0x01020100
    Command "ZVZERA HODEFIL APNE" 0x01050100
    Command "ZVZERA HODEFIL LAGRE SOM" 0x01050300
    Command "ZVZERA HODEFIL LAGRE" 0x01050200
    Command "ZVZERA VIS LOGGFIL" 0x01040200
    Command "ZVZERA VELG CELLEBIBLIOTEK" 0x010a0000
    Command "ZVZERA VELG TAGSETTFIL" 0x01060100
    Command "ZVZERA LAG TEMAFIL" 0x010c0000
    Command "ZVZERA LUKK TIL FLATER" 0x010e0000
    Command "ZVZERA FLATER TIL LINJER" 0x010f0000
    Command "ZVZERA KURVER TIL LINJER" 0x01100000
    Command "ZVZERA SET" 0x01140000
}

# The main dialog; its menu bar takes pull-down menus 1 to 3 at start-up
# (and the editing tool's menu 100 before menu 3).
DialogBox 100 "ZvZera"
{
    Size 400 40
    Item MenuBar 1 { Extent 0 0 400 20 }
}

PulldownMenu 1 "ZERA"
{
    Entry 1 "Importer ZERA-fil..." { Keyin "zvzera import fil" }
    Entry 2 "Importer liste av ZERA-filer..." { Keyin "zvzera import liste" }
    Entry 3 "Ny liste av ZERA-filer" { Keyin "zvzera ny filliste" }
    Entry 4 "Eksporter til ZERA..." { Keyin "zvzera eksport" }
    Entry 5 "\305pne hodefil..." { Keyin "zvzera hodefil apne" }
    Entry 6 "Lagre hodefil" { Keyin "zvzera hodefil lagre" }
    Entry 7 "Lagre hodefil som..." { Keyin "zvzera hodefil lagre som" }
    Entry 8 "Vis loggfiler..." { Keyin "zvzera vis loggfil" }
    Entry 9 "Avslutt" { Keyin "zvzera avslutt" }
}

PulldownMenu 2 "Oppsett"
{
    Entry 1 "Temafil..." { Keyin "zvzera velg temafil" }
    Entry 2 "Niv\345bibliotek..." { Keyin "zvzera velg dgnlib" }
    Entry 3 "Seedfil..." { Keyin "zvzera velg seedfil" }
    Entry 4 "Importkatalog..." { Keyin "zvzera velg importkatalog" }
    Entry 5 "Loggfil..." { Keyin "zvzera velg loggfil" }
    Entry 6 "Cellebibliotek..." { Keyin "zvzera velg cellebibliotek" }
    Entry 7 "Tagsettfil..." { Keyin "zvzera velg tagsettfil" }
    Entry 8 "Lag tagsett" { Keyin "zvzera lag tagsett" }
    Entry 9 "Temafil fra ZERA-filer..." { Keyin "zvzera lag temafil" }
    Entry 10 "Lukk linjer til flater" { Keyin "zvzera lukk til flater" }
    Entry 11 "Flater til linjer" { Keyin "zvzera flater til linjer" }
    Entry 12 "Kurver til linjer" { Keyin "zvzera kurver til linjer" }
}

PulldownMenu 3 "Hjelp"
{
    Entry 1 "Brukerveiledning" { Keyin "zvzera brukerveiledning" }
    Entry 2 "Hjelp" { Keyin "zvzera hjelp" }
    Entry 3 "Om ZvZera..." { Keyin "zvzera om" }
}

# ---- the dialogs -------------------------------------------------------------
# Items are bound to the settings record ("sbgd").  The hooks' rules name
# "the next item" and "the items after": keep each group's order.  Hooks:
#   2 text items from Text 8 on / 3 Text 29 / 4 list box 4 follows the size
#   10 unit from its inverse, 11 FKB list, 12 all FKB groups, 13 height
#   toggles (UserValue 1 rounding, 2 multiple heights), 14 level-4 button,
#   15 fence, 16 attributes as tags, 17 ZERA file, 19 import target, 20
#   point mode, 21 attribute mode, 22 version format, 23 log list, 29
#   unknown themes (the 12 items after it), 30 level 4, 33 height themes,
#   34 symbology combo (UserValue 1 colour, 2 style, 3 weight), 35 theme
#   source (the 5 items after it), 36 font list, 37 level library, 39 fixed
#   height, 40 element list, 41 theme-code lines.

# Import settings, open beside the other dialogs.
DialogBox 2 "ZvZera - innstillinger for import"
{
    Hook 2
    Size 420 360
    Item Text 1 "Temafil" { Access "sbgd.temaFil" ; Attributes 4 }
    Item ListBox 1 { Hook 11 }
    Item Text 20 "Loggfil" { Access "sbgd.loggFil" }
    Item Text 27 "Cellebibliotek" { Access "sbgd.cellebibliotek" ; Attributes 4 }
    Item ToggleButton 30 "Lagre niv\345 4" { Access "sbgd.lagreNivaa4" ; Hook 30 }
    Item ToggleButton 31 "Flategrenser p\345 flatens h\370yde" { Access "sbgd.grenserPaaHoyde" }
    Item PushButton 22 "3D-valg..." { Disabled }
    Item Text 8 "Farge" { Access "sbgd.standardFarge" ; Attributes 4 }
    Item Text 9 "Linjetykkelse" { Access "sbgd.standardVekt" ; Attributes 4 }
    Item Text 10 "Linjetype" { Access "sbgd.standardStil" ; Attributes 4 }
    Item Text 11 "Font" { Access "sbgd.standardFont" ; Attributes 4 }
    Item Text 12 "Teksth\370yde" { Access "sbgd.standardTekstHoyde" ; Attributes 4 }
    Item Text 13 "Tekstbredde" { Access "sbgd.standardTekstBredde" ; Attributes 4 }
    Item Text 14 "Celleskala" { Access "sbgd.standardCelleskala" ; Attributes 4 }
    Item Text 15 "Symbolskala" { Access "sbgd.symbolSkala" ; Attributes 4 }
    Item PushButton -3 "OK" { Default }
}

# Export: the header, the FKB groups and the matching switches.
DialogBox 3 "Eksporter til ZERA"
{
    Hook 3
    Size 520 520
    Item Text 1 "Temafil" { Access "sbgd.temaFil" ; Attributes 4 }
    Item ListBox 1 { Hook 11 }
    Item ToggleButton 12 "Alle FKB-grupper" { Access "zvzeraAlleFkb" ; Hook 12 }
    Item Text 20 "Loggfil" { Access "sbgd.loggFil" }
    Item Text 29 "Hodefil" { Access "sbgd.hodeFil" ; Attributes 4 }
    Item Text 8 "Kart-ID" { Access "sbgd.hode.kartid" }
    Item Text 9 "Produsent" { Access "sbgd.hode.produsent" }
    Item Text 10 "Eier" { Access "sbgd.hode.eier" }
    Item Text 11 "Koordinatsystem" { Access "sbgd.hode.koordsys" }
    Item Text 12 "Enhet 1 /" { Access "sbgd.enhetsnevner" ; Hook 10 }
    Item Text 13 "ZERA-versjon" { Access "sbgd.hode.zeraVersjon" ; Hook 22 }
    Item Text 14 "ZERA-niv\345" { Access "sbgd.hode.zeraNivaa" ; Hook 14 }
    Item PushButton 26 "Niv\345 4..." { Disabled }
    Item Text 15 "Min N\330" { Access "sbgd.hodeMinTekst" ; Attributes 4 }
    Item Text 16 "Maks N\330" { Access "sbgd.hodeMaksTekst" ; Attributes 4 }
    Item Text 17 "Kvalitet" { Access "sbgd.hodeKvalitetTekst" }
    Item ToggleButton 15 "Bare innenfor gjerdet" { Access "sbgd.brukGjerde" ; Hook 15 }
    Item Label 15 "Elementer som krysser gjerdet klippes"
    Item ToggleButton 35 "Tema fra niv\345navnet" { Access "sbgd.temaFra" ; Hook 35 }
    Item ToggleButton 40 "Sjekk mot lag" { Access "sbgd.matchLevel" }
    Item ToggleButton 41 "Sjekk mot farge" { Access "sbgd.matchColor" }
    Item ToggleButton 42 "Sjekk mot linjetype" { Access "sbgd.matchStyle" }
    Item ToggleButton 43 "Sjekk mot linjetykkelse" { Access "sbgd.matchWeight" }
    Item ToggleButton 44 "Lagre teksth\370yde/bredde" { Access "sbgd.lagreTekststoerrelse" }
    Item ToggleButton 13 "H\370ydeavrunding" { Access "sbgd.hoydeAvrundingPaa" ; Hook 13 ; UserValue 1 }
    Item Text 18 "Avrundingssteg" { Access "sbgd.hoydeAvrundingSteg" }
    Item ToggleButton 14 "Kun multiple h\370yder" { Access "sbgd.multHoydePaa" ; Hook 13 ; UserValue 2 }
    Item Text 19 "Ekvidistanse (m)" { Access "sbgd.multHoydeVerdi" }
    Item ListBox 3 { Hook 33 }
    Item OptionButton 15 "Avrund" { Access "sbgd.avrundHvertPunkt" ; Entry "Enkelth\370yder" 0 ; Entry "Hvert punkt" 1 }
    Item ToggleButton 39 "Fast h\370yde for 3001 og 3009" { Access "sbgd.fastHoyde" ; Hook 39 }
    Item Text 21 "Fast h\370yde" { Access "sbgd.fastHoydeVerdi" }
    Item ToggleButton 45 "ZERA 4.0" { Access "sbgd.zera40" ; Hook 41 }
    Item ToggleButton 46 "Skann flater som flater" { Access "sbgd.skannLagerFlater" }
    Item PushButton -3 "OK" { Default }
    Item PushButton -4 "Avbryt"
}

# Import: the files, the theme table and FKB groups, unknown themes, points,
# attributes, the target, the fence and heights.
DialogBox 6 "Importer ZERA-filer"
{
    Size 520 640
    Item OptionButton 17 "ZERA-fil" { Access "sbgd.filIndeks" ; Hook 17 }
    Item Text 1 "Temafil" { Access "sbgd.temaFil" ; Attributes 4 }
    Item ListBox 1 { Hook 11 }
    Item ToggleButton 12 "Alle FKB-grupper" { Access "zvzeraAlleFkb" ; Hook 12 }
    Item Text 20 "Loggfil" { Access "sbgd.loggFil" }
    Item ToggleButton 30 "Lagre niv\345 4" { Access "sbgd.lagreNivaa4" ; Hook 30 }
    Item ToggleButton 31 "Flategrenser p\345 flatens h\370yde" { Access "sbgd.grenserPaaHoyde" }
    Item PushButton 21 "3D-valg..." { Disabled }
    Item ToggleButton 29 "Importer ukjente tema" { Access "sbgd.importerUkjenteTema" ; Hook 29 }
    Item ToggleButton 32 "Bare ukjente tema" { Access "sbgd.kunUkjenteTema" }
    Item Text 2 "Farge" { Access "sbgd.standardFarge" }
    Item ComboBox 1 { Access "sbgd.standardFarge" ; Hook 34 ; UserValue 1 }
    Item Text 3 "Linjetykkelse" { Access "sbgd.standardVekt" }
    Item ComboBox 2 { Access "sbgd.standardVekt" ; Hook 34 ; UserValue 3 }
    Item Text 4 "Linjetype" { Access "sbgd.standardStil" }
    Item ComboBox 3 { Access "sbgd.standardStil" ; Hook 34 ; UserValue 2 }
    Item Text 5 "Font" { Access "sbgd.standardFont" }
    Item ComboBox 4 { Access "sbgd.standardFont" ; Hook 36 }
    Item Text 6 "Teksth\370yde" { Access "sbgd.standardTekstHoyde" }
    Item Text 7 "Tekstbredde" { Access "sbgd.standardTekstBredde" }
    Item Text 9 "Celleskala" { Access "sbgd.standardCelleskala" }
    Item OptionButton 20 "Punkter som" { Access "sbgd.punktModus" ; Hook 20 ; Entry "Delt celle" 0 ; Entry "Celle" 1 ; Entry "Linje med lengde 0" 2 }
    Item Text 10 "Symbolskala" { Access "sbgd.symbolSkala" }
    Item ToggleButton 16 "Lagre egenskaper" { Access "sbgd.lagreEgenskaper" ; Hook 16 }
    Item OptionButton 21 "Egenskaper som" { Access "sbgd.egenskapModus" ; Hook 21 ; Entry "Tagger" 0 ; Entry "Tekster" 1 }
    Item ToggleButton 33 "Flere tema i \351n tagg" { Access "sbgd.flereTemaEnGang" }
    Item Text 48 "Tagsettfil" { Access "sbgd.tagsetFil" ; Attributes 4 }
    Item PushButton 11 "Tagsettfil..."
    Item OptionButton 19 "Importer til" { Access "sbgd.importMaal" ; Hook 19 ; Entry "Aktiv tegning" 0 ; Entry "Ny tegning per ZERA-fil" 1 }
    Item Text 36 "Importkatalog" { Access "sbgd.importKatalog" }
    Item PushButton 12 "Importkatalog..."
    Item Text 23 "Seedfil" { Access "sbgd.seedFil" }
    Item PushButton 13 "Seedfil..."
    Item ToggleButton 37 "Bruk niv\345bibliotek" { Access "sbgd.brukDgnlib" ; Hook 37 }
    Item Text 47 "Niv\345bibliotek" { Access "sbgd.dgnlibFil" }
    Item PushButton 10 "Niv\345bibliotek..."
    Item Text 27 "Cellebibliotek" { Access "sbgd.cellebibliotek" ; Attributes 4 }
    Item ToggleButton 15 "Bare innenfor gjerdet" { Access "sbgd.brukGjerde" ; Hook 15 }
    Item Label 15 "Elementer som krysser gjerdet klippes"
    Item ToggleButton 13 "H\370ydeavrunding" { Access "sbgd.hoydeAvrundingPaa" ; Hook 13 ; UserValue 1 }
    Item Text 11 "Avrundingssteg" { Access "sbgd.hoydeAvrundingSteg" }
    Item ToggleButton 14 "Kun multiple h\370yder" { Access "sbgd.multHoydePaa" ; Hook 13 ; UserValue 2 }
    Item Text 12 "Ekvidistanse (m)" { Access "sbgd.multHoydeVerdi" }
    Item ListBox 3 { Hook 33 }
    Item OptionButton 15 "Avrund" { Access "sbgd.avrundHvertPunkt" ; Entry "Enkelth\370yder" 0 ; Entry "Hvert punkt" 1 }
    Item PushButton -3 "OK" { Default }
    Item PushButton -4 "Avbryt"
}

# Close line strings and curves into shapes.
DialogBox 7 "Lukk til flater"
{
    Size 300 130
    Item ToggleButton 1 "Linjestrenger" { Access "sbgd.lukkLinjestrenger" }
    Item ToggleButton 2 "Kurver" { Access "sbgd.lukkKjeder" }
    Item Text 3 "Toleranse (m)" { Access "sbgd.lukkeToleranse" }
    Item ToggleButton 4 "Fylte flater" { Access "sbgd.fyllFlater" }
    Item PushButton -3 "OK" { Default }
    Item PushButton -4 "Avbryt"
}

# The theme table and its FKB groups.
DialogBox 10 "Temafil"
{
    Size 300 260
    Item Text 1 "Temafil" { Access "sbgd.temaFil" ; Attributes 4 }
    Item ListBox 1 { Hook 11 }
    Item ToggleButton 12 "Alle FKB-grupper" { Access "zvzeraAlleFkb" ; Hook 12 }
    Item PushButton -3 "OK" { Default }
}

# The log files of the last run; the one chosen is shown.
DialogBox 12 "Loggfiler"
{
    Hook 4
    Size 400 300
    Item ListBox 4 { Hook 23 ; Extent 10 10 380 240 }
    Item PushButton -3 "OK" { Default ; Extent 160 270 80 20 }
}

DialogBox 16 "Flater til linjer"
{
    Size 300 80
    Item ToggleButton 1 "Bare linjetema" { Access "sbgd.kunLinjetema" }
    Item PushButton -3 "OK" { Default }
    Item PushButton -4 "Avbryt"
}

DialogBox 18 "Kurver til linjer"
{
    Size 300 80
    Item Label 1 "Alle kurver blir linjestrenger."
    Item PushButton -3 "OK" { Default }
    Item PushButton -4 "Avbryt"
}

# The elements listed by an export: position, model, and two texts.
DialogBox 20 "Elementer"
{
    Hook 4
    Size 460 300
    Item ListBox 4 { Hook 40 ; Columns 4 ; Extent 10 10 440 240 }
    Item PushButton -3 "OK" { Default ; Extent 190 270 80 20 }
}

# zvlib: the library's messages, language texts and dialogs.
Include "../zvlib/zvlib.rsc"
