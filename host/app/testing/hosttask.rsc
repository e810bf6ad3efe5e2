# The resource file of the loader tests' task whose library has another name.
MessageList 1
{
    1 "HOSTTASK"
}
