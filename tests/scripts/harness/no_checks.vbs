Dim unused
