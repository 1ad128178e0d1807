// A small control design in the style of the classic sequential benchmarks:
// two serial inputs compared bit by bit in a state machine with a counter.
module serialcmp(input clk, input rst, input line1, input line2, output reg outp, output reg overflw);
  reg [2:0] state;
  reg [3:0] count;
  always @(posedge clk) begin
    if (rst) begin
      state <= 3'd0; count <= 4'd0; outp <= 1'b0; overflw <= 1'b0;
    end else begin
      case (state)
        3'd0: begin state <= line1 ? 3'd1 : 3'd2; outp <= line1 ^ line2; end
        3'd1: begin state <= line2 ? 3'd3 : 3'd4; outp <= line1 & line2; end
        3'd2: begin state <= (line1 | line2) ? 3'd4 : 3'd0; outp <= ~line2; end
        3'd3: begin state <= 3'd5; count <= count + 4'd1; outp <= count[0]; end
        3'd4: begin state <= line1 ? 3'd5 : 3'd0; outp <= line1 | line2; end
        default: begin state <= 3'd0; overflw <= (count == 4'd15); outp <= count[3]; end
      endcase
    end
  end
endmodule
