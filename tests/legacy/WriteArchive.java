// Writes an LZH archive whose members are compressed with one method by the jLHA library:
//   java -cp /usr/share/java/jlha.jar WriteArchive.java ARCHIVE METHOD LEVEL FILE...
// METHOD is a method name such as -lh1-; LEVEL the header level.
import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;

import java.io.FileOutputStream;
import java.nio.file.Files;
import java.nio.file.Path;

public class WriteArchive {
    public static void main(String[] args) throws Exception {
        try (LhaOutputStream archive = new LhaOutputStream(new FileOutputStream(args[0]))) {
            for (int i = 3; i < args.length; ++i) {
                Path file = Path.of(args[i]);
                LhaHeader header = new LhaHeader(file.getFileName().toString());
                header.setCompressMethod(args[1]);
                header.setHeaderLevel(Integer.parseInt(args[2]));
                archive.putNextEntry(header);
                archive.write(Files.readAllBytes(file));
                archive.closeEntry();
            }
        }
    }
}
