MessageList 1
{
    1 "a %d"
    2 "b \345"
}
Include "b.rsc"
#--
# b
MessageList 2 { 1 "fra b" }
StringList 1 { "x" "y" }
Include "c.rsc"
#--
Dialog 7 "c"
{
    Item 1 "ok"
}
