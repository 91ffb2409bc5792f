// Reads every sheet, cell, cell style, font and note of an .xls with Apache
// POI's HSSF, the strictest reader at hand. Prints a summary; any exception
// fails (exit status 1).
import java.io.File;

import org.apache.poi.hssf.usermodel.HSSFCell;
import org.apache.poi.hssf.usermodel.HSSFCellStyle;
import org.apache.poi.hssf.usermodel.HSSFComment;
import org.apache.poi.hssf.usermodel.HSSFRow;
import org.apache.poi.hssf.usermodel.HSSFSheet;
import org.apache.poi.hssf.usermodel.HSSFWorkbook;
import org.apache.poi.poifs.filesystem.POIFSFileSystem;

public class PoiReadAll {
    public static void main(String[] args) throws Exception {
        try (POIFSFileSystem fs = new POIFSFileSystem(new File(args[0]), true);
             HSSFWorkbook book = new HSSFWorkbook(fs)) {
            int cells = 0, notes = 0, links = 0;
            for (int s = 0; s < book.getNumberOfSheets(); ++s) {
                HSSFSheet sheet = book.getSheetAt(s);
                for (org.apache.poi.ss.usermodel.Row r : sheet) {
                    for (org.apache.poi.ss.usermodel.Cell c : r) {
                        HSSFCell cell = (HSSFCell) c;
                        cell.toString();
                        HSSFCellStyle style = cell.getCellStyle();
                        style.getDataFormatString();
                        style.getFont(book).getFontName();
                        if (cell.getHyperlink() != null) ++links;
                        HSSFComment comment = cell.getCellComment();
                        if (comment != null) {
                            comment.getString().getString();
                            ++notes;
                        }
                        ++cells;
                    }
                }
                sheet.getMergedRegions();
            }
            System.out.println("sheets=" + book.getNumberOfSheets() + " cells=" + cells + " notes=" + notes + " links=" + links);
        }
    }
}
