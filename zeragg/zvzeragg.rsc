# ZVZERA in the GIS build: the application's resources, and the commands
# and dialogs this build adds.
Include "../zeraapp/zvzera.rsc"

# The keywords of the GIS build's ten commands.
CommandTable 2
{
    Command "ZVZERA GG VELG KART" 0x01110200
    Command "ZVZERA GG OPPRETT KATEGORIER" 0x01110100
    Command "ZVZERA GG KONTROLLER DATABASE" 0x01110300
    Command "ZVZERA GG VIS HODE" 0x01110620
    Command "ZVZERA GG HENT HODE" 0x01110610
    Command "ZVZERA GG INGENTING" 0x01110400
    Command "ZVZERA GG ENDRE FEATURE" 0x01110910
    Command "ZVZERA GG LAG SENTROIDER" 0x01110810
    Command "ZVZERA GG KONVERTER FLATER" 0x01110500
    Command "ZVZERA GG LAG FLATER" 0x01110820
}

# The data source of the project set-up.
DialogBox 11 "Database"
{
    Size 300 80
    Item Text 1 "Datakilde" { Access "sbgd.databaseNavn" }
    Item PushButton -3 "OK" { Default }
    Item PushButton -4 "Avbryt"
}
